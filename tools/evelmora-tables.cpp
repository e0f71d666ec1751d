// The tables tool: each command is in the command library; this reads the command line and
// prints what the command answers.

#include <QCoreApplication>
#include <QTextStream>

#include "buildcommand.h"
#include "checkcommand.h"
#include "exportcommand.h"
#include "lookupcommand.h"
#include "sourcecommands.h"

using namespace Qt::StringLiterals;

namespace {

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

int print(const CommandAnswer& answer)
{
    out() << answer.out << Qt::flush;
    err() << answer.err << Qt::flush;
    return answer.status;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args[1] == u"build")
        return print(BuildCommand::build(args[2], args[3], QCoreApplication::applicationDirPath()));
    if (args.size() >= 3 && args[1] == u"export")
        return print(ExportCommand::run(args.mid(2)));
    if (args.size() == 4 && args[1] == u"publish")
        return print(SourceCommands::publish(args[2], args[3]));
    if (args.size() == 4 && args[1] == u"connect")
        return print(BuildCommand::connect(args[2], args[3]));
    if (args.size() == 3 && args[1] == u"lint")
        return print(SourceCommands::lint(args[2]));
    if (args.size() == 4 && args[1] == u"check" && args[2] == u"--server")
        return print(CheckCommand::checkServer(args[3]));
    if (args.size() == 3 && args[1] == u"check")
        return print(CheckCommand::check(args[2]));
    if (args.size() == 3 && args[1] == u"compile")
        return print(BuildCommand::compile(args[2]));
    if (args.size() >= 2 && args[1] == u"lookup") {
        // Options first; "--" ends them, for a word that begins with a dash.
        LookupCommand::Style style;
        qsizetype next = 2;
        for (; next < args.size() && args[next].startsWith(u"--"_s); ++next) {
            if (args[next] == u"--") {
                ++next;
                break;
            }
            if (args[next] == u"--json") {
                style.json = true;
            } else if (args[next] == u"--suggest") {
                style.suggest = true;
            } else {
                err() << "evelmora-tables: unknown option " << args[next] << Qt::endl;
                return 2;
            }
        }
        const QStringList rest = args.mid(next);
        if (rest.size() == 3 && (rest[1] == u"fr" || rest[1] == u"en")) {
            return print(LookupCommand::run(rest[0], rest[1], rest[2], style));
        }
    }
    const char* usage = "usage: evelmora-tables build TERMS.tsv|TERMS.csv|TERMS.tbx DATA_DIRECTORY\n"
                        "       evelmora-tables export DATA_DIRECTORY --format tbx|csv [--direction fr|en] [--output FILE]\n"
                        "       evelmora-tables publish DATA_DIRECTORY CONNECTION\n"
                        "       evelmora-tables connect CONNECTION DATA_DIRECTORY\n"
                        "       evelmora-tables lint TERMS.tsv\n"
                        "       evelmora-tables check DATA_DIRECTORY | --server CONNECTION\n"
                        "       evelmora-tables compile DATA_DIRECTORY\n"
                        "       evelmora-tables lookup [--json] [--suggest] [--] DATA_DIRECTORY fr|en WORD\n"
                        "       evelmora-tables --help | --version\n";
    if (args.size() == 2 && (args[1] == u"--help" || args[1] == u"-h")) {
        out() << "evelmora-tables: builds, checks, compiles and searches the dictionary tables of a data directory\n\n" << usage;
        return 0;
    }
    if (args.size() == 2 && args[1] == u"--version") {
        out() << "evelmora-tables " EVELMORA_VERSION << Qt::endl;
        return 0;
    }
    err() << usage;
    return 2;
}
