// Builds the two dictionary tables from a list of term pairs, checks such a list as an editor
// would, and checks the tables of a data directory: every num must be the entry's browse
// position.

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include "buildcommand.h"
#include "connectiondescription.h"
#include "cursor.h"
#include "dictionaryoperations.h"
#include "direction.h"
#include "letterstarttable.h"
#include "lookupcommand.h"
#include "outputfile.h"
#include "publish.h"
#include "tbxfile.h"
#include "termexport.h"
#include "termlint.h"
#include "termsource.h"
#include "textfile.h"
#include "windowdata.h"

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

// Writes the dictionary of a data directory as a term base, to `output` or to standard output.
int exportTerms(const QString& dataDirectory, const QString& format, TermExport::Tables tables, const QString& output)
{
    auto entries = TermExport::entries(dataDirectory, tables);
    if (!entries) {
        err() << entries.failure().description << Qt::endl;
        return 2;
    }
    QByteArray bytes;
    if (format == u"csv") {
        bytes = TermSource::writeCsv(*entries);
    } else {
        auto tbx = TbxFile::write(*entries, u"eVelmora, French-English dictionary of psychology, from "_s + QDir(dataDirectory).absolutePath());
        if (!tbx) {
            err() << tbx.failure().description << Qt::endl;
            return 2;
        }
        bytes = *tbx;
    }
    if (Outcome written = OutputFile::write(output.isEmpty() ? u"-"_s : output, bytes); !written) {
        err() << written.failure().description << Qt::endl;
        return 2;
    }
    if (output.isEmpty() || output == u"-")
        return 0;
    err() << entries->size() << " entries written to " << output << Qt::endl;
    return 0;
}

// Reports each entry of a browse order whose num is not its position, then the first position
// of each letter; the number of entries with a wrong num.
int reportBrowseOrder(const QList<std::pair<QString, FieldValue>>& rows, LetterStartTable* starts)
{
    int wrong = 0;
    QStringList terms;
    for (qsizetype position = 0; position < rows.size(); ++position) {
        const auto& [term, num] = rows[position];
        if (num.text.trimmed() != QString::number(position)) {
            ++wrong;
            // A num that names no position at all says why, as the search would.
            const auto named = browsePosition(num);
            out() << "  position " << position << ": num is " << (num.null ? QStringLiteral("empty") : num.text)
                  << (named ? QString() : QStringLiteral(" (") + named.failure().description + u')') << ": " << term << Qt::endl;
        }
        terms.append(term);
    }
    *starts = BuildCommand::letterStarts(terms);
    for (int letter = 0; letter < 26; ++letter)
        out() << "  " << QChar(u'A' + letter) << ' ' << (*starts)[letter] << Qt::endl;
    out() << "  " << rows.size() << " entries, " << wrong << " with a wrong num" << Qt::endl;
    out() << "  Letter Starts=" << LetterStarts::format(*starts) << Qt::endl;
    return wrong;
}

// Walks the browse order of one direction, reporting each entry whose num is off, then the
// first position of each letter.
int checkDirection(const QString& title, const Direction& direction, const QString& dataDirectory)
{
    out() << title << Qt::endl;
    WindowData data = WindowData::open(direction, dataDirectory);
    if (data.loadFailure) {
        out() << "  cannot open: " << data.loadFailure->number << ' ' << data.loadFailure->description << Qt::endl;
        return 2;
    }
    Cursor& browse = *data.browse;
    QList<std::pair<QString, FieldValue>> rows;
    for (Outcome step = browse.moveFirst(); step.ok() && browse.onEntry(); step = browse.moveNext()) {
        const auto term = browse.field(direction.searchField);
        const auto num = browse.field(u"num");
        if (!term || !num) {
            out() << "  position " << rows.size() << ": " << (term ? num.failure() : term.failure()).description << Qt::endl;
            return 2;
        }
        rows.append({ term->text, *num });
    }
    LetterStartTable starts {};
    int wrong = reportBrowseOrder(rows, &starts);

    // The key the connection file gives, if any, must agree with the table.
    const auto description = ConnectionDescription::read(TextFile::findCaseInsensitive(dataDirectory, direction.connectionFile), dataDirectory);
    if (description && description->letterStarts) {
        if (LetterStarts::format(data.letterStarts) == LetterStarts::format(starts)) {
            out() << "  the connection file's Letter Starts agree with the table" << Qt::endl;
        } else {
            ++wrong;
            for (int letter = 0; letter < 26; ++letter) {
                if (data.letterStarts[letter] != starts[letter])
                    out() << "  Letter Starts gives " << QChar(u'A' + letter) << ' ' << data.letterStarts[letter] << ", the table starts it at "
                          << starts[letter] << Qt::endl;
            }
        }
    }
    return wrong == 0 ? 0 : 1;
}

// The same checks of a dictionary published on a server.
int checkServer(const QString& connectionString)
{
    int worst = 0;
    for (const bool frenchToEnglish : { true, false }) {
        out() << Publish::schemaOf(frenchToEnglish) << ".ps (" << (frenchToEnglish ? "French to English, by Frensh" : "English to French, stored order")
              << "):" << Qt::endl;
        auto rows = Publish::browseOrder(connectionString, frenchToEnglish);
        if (!rows) {
            out() << "  cannot read: " << rows.failure().description << Qt::endl;
            return 2;
        }
        LetterStartTable starts {};
        worst = std::max(worst, reportBrowseOrder(*rows, &starts) == 0 ? 0 : 1);
    }
    return worst;
}

int check(const QString& dataDirectory)
{
    const int french = checkDirection(QStringLiteral("d0.UDL (French to English, by Frensh):"), Direction::frenchToEnglish(), dataDirectory);
    const int english = checkDirection(QStringLiteral("d2.UDL (English to French, stored order):"), Direction::englishToFrench(), dataDirectory);
    return std::max(french, english);
}

// The editor's checks of a term source; fails on repeats and entries without a subfield.
int lint(const QString& source)
{
    auto entries = TermSource::read(source);
    if (!entries) {
        err() << entries.failure().description << Qt::endl;
        return 2;
    }
    const TermLint checked = TermLint::of(*entries);
    out() << checked.report();
    out().flush();
    return checked.errors.isEmpty() ? 0 : 1;
}

// Loads a data directory's dictionary onto a server and says how desktops reach it.
int publish(const QString& dataDirectory, const QString& connectionString)
{
    auto published = Publish::publish(dataDirectory, connectionString);
    if (!published) {
        err() << published.failure().description << Qt::endl;
        return 2;
    }
    out() << published->frenchToEnglish << " French-to-English and " << published->englishToFrench << " English-to-French entries published to "
          << published->where << " (schemas " << Publish::schemaOf(true) << " and " << Publish::schemaOf(false) << ')' << Qt::endl;
    return 0;
}

// export DATA_DIRECTORY --format tbx|csv [--direction fr|en] [--output FILE], options in any order.
int exportCommand(const QStringList& arguments)
{
    QString dataDirectory;
    QString format;
    QString direction;
    QString output;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        QString* value = argument == u"--format" ? &format : argument == u"--direction" ? &direction : argument == u"--output" ? &output : nullptr;
        if (value) {
            if (i + 1 == arguments.size() || !value->isEmpty()) {
                err() << "evelmora-tables export: " << argument << (value->isEmpty() ? " needs a value" : " given twice") << Qt::endl;
                return 2;
            }
            *value = arguments[++i];
        } else if (argument.startsWith(u"--"_s)) {
            err() << "evelmora-tables export: unknown option " << argument << Qt::endl;
            return 2;
        } else if (dataDirectory.isEmpty()) {
            dataDirectory = argument;
        } else {
            err() << "evelmora-tables export: one data directory expected, " << argument << " is a second" << Qt::endl;
            return 2;
        }
    }
    if (dataDirectory.isEmpty() || (format != u"tbx" && format != u"csv") || !QStringList { QString(), u"fr"_s, u"en"_s }.contains(direction)) {
        err() << "usage: evelmora-tables export DATA_DIRECTORY --format tbx|csv [--direction fr|en] [--output FILE]" << Qt::endl;
        return 2;
    }
    const TermExport::Tables tables = direction == u"fr"   ? TermExport::Tables::FrenchToEnglish
                                      : direction == u"en" ? TermExport::Tables::EnglishToFrench
                                                           : TermExport::Tables::Both;
    return exportTerms(dataDirectory, format, tables, output);
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
        return exportCommand(args.mid(2));
    if (args.size() == 4 && args[1] == u"publish")
        return publish(args[2], args[3]);
    if (args.size() == 4 && args[1] == u"connect")
        return print(BuildCommand::connect(args[2], args[3]));
    if (args.size() == 3 && args[1] == u"lint")
        return lint(args[2]);
    if (args.size() == 4 && args[1] == u"check" && args[2] == u"--server")
        return checkServer(args[3]);
    if (args.size() == 3 && args[1] == u"check")
        return check(args[2]);
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
