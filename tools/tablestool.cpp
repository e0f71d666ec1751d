#include "tablestool.h"

#include "buildcommand.h"
#include "checkcommand.h"
#include "exportcommand.h"
#include "lookupcommand.h"
#include "sourcecommands.h"

using namespace Qt::StringLiterals;

namespace TablesTool {

CommandAnswer run(const QStringList& arguments, const QString& programDirectory)
{
    // Numbered as on the command line, the program's name first.
    const QStringList args = QStringList { u"evelmora-tables"_s } + arguments;
    if (args.size() == 4 && args[1] == u"build")
        return BuildCommand::build(args[2], args[3], programDirectory);
    if (args.size() >= 3 && args[1] == u"export")
        return ExportCommand::run(args.mid(2));
    if (args.size() == 4 && args[1] == u"publish")
        return SourceCommands::publish(args[2], args[3]);
    if (args.size() == 4 && args[1] == u"connect")
        return BuildCommand::connect(args[2], args[3]);
    if (args.size() == 3 && args[1] == u"lint")
        return SourceCommands::lint(args[2]);
    if (args.size() == 4 && args[1] == u"check" && args[2] == u"--server")
        return CheckCommand::checkServer(args[3]);
    if (args.size() == 3 && args[1] == u"check")
        return CheckCommand::check(args[2]);
    if (args.size() == 3 && args[1] == u"compile")
        return BuildCommand::compile(args[2]);
    if (args.size() == 4 && args[1] == u"compile" && args[3] == u"--copy")
        return BuildCommand::compileCopy(args[2]);
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
                return { .status = 2, .out = {}, .err = u"evelmora-tables: unknown option "_s + args[next] + u'\n' };
            }
        }
        const QStringList rest = args.mid(next);
        if (rest.size() == 3 && (rest[1] == u"fr" || rest[1] == u"en")) {
            return LookupCommand::run(rest[0], rest[1], rest[2], style);
        }
    }
    const char* usage = "usage: evelmora-tables build TERMS.tsv|TERMS.csv|TERMS.tbx DATA_DIRECTORY\n"
                        "       evelmora-tables export DATA_DIRECTORY --format tbx|csv|omegat|anki|dictd|stardict [--direction fr|en]\n"
                        "                              [--subfield SUBFIELD] [--output FILE|FOLDER]\n"
                        "       evelmora-tables publish DATA_DIRECTORY CONNECTION\n"
                        "       evelmora-tables connect CONNECTION DATA_DIRECTORY\n"
                        "       evelmora-tables lint TERMS.tsv\n"
                        "       evelmora-tables check DATA_DIRECTORY | --server CONNECTION\n"
                        "       evelmora-tables compile DATA_DIRECTORY [--copy]\n"
                        "       evelmora-tables lookup [--json] [--suggest] [--] DATA_DIRECTORY fr|en WORD\n"
                        "       evelmora-tables --help | --version\n";
    if (args.size() == 2 && (args[1] == u"--help" || args[1] == u"-h")) {
        return { .status = 0,
                 .out = u"evelmora-tables: builds, checks, compiles and searches the dictionary tables of a data directory\n\n"_s + QLatin1StringView(usage),
                 .err = {} };
    }
    if (args.size() == 2 && args[1] == u"--version") {
        return { .status = 0, .out = QStringLiteral("evelmora-tables " EVELMORA_VERSION "\n"), .err = {} };
    }
    return { .status = 2, .out = {}, .err = QLatin1StringView(usage).toString() };
}

} // namespace TablesTool
