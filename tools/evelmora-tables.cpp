// Builds the two dictionary tables from a list of term pairs, checks such a list as an editor
// would, and checks the tables of a data directory: every num must be the entry's browse
// position.

#include <algorithm>
#include <filesystem>
#include <memory>
#include <tuple>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextStream>

#include "store.h"

#include "cursor.h"
#include "connectiondescription.h"
#include "dictionarycollation.h"
#include "dictionaryoperations.h"
#include "letterstarttable.h"
#include "lookupcommand.h"
#include "publish.h"
#include "serverconnection.h"
#include "tbxfile.h"
#include "termexport.h"
#include "direction.h"
#include "termlint.h"
#include "termsource.h"
#include "textfile.h"
#include "windowdata.h"

using namespace Qt::StringLiterals;

namespace {

// One row of a table as the build writes it.
struct Row {
    QString english;
    QString french;
    QString subfield;
    QString label; // of the translation this table shows
};

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

// Orders by the store's ordering first; texts it holds equal keep a fixed order of their own.
bool termLess(const QString& a, const QString& b)
{
    if (const int c = DictionaryCollation::compare(a, b); c != 0)
        return c < 0;
    return a < b;
}

// The first position of each letter in a list of terms in browse order: where the terms whose
// folded first letter is that letter or later begin. A is always the first entry.
LetterStartTable letterStarts(const QStringList& terms)
{
    LetterStartTable starts;
    starts.fill(-1);
    starts[0] = 0;
    for (qsizetype position = 0; position < terms.size(); ++position) {
        const QString folded = DictionaryCollation::folded(terms[position]);
        const QChar first = folded.isEmpty() ? QChar() : folded.front().toUpper();
        for (int letter = 1; letter < 26; ++letter) {
            if (starts[letter] < 0 && first >= QChar(u'A' + letter))
                starts[letter] = static_cast<qint32>(position);
        }
    }
    for (qint32& start : starts) {
        if (start < 0)
            start = static_cast<qint32>(terms.size());
    }
    return starts;
}

bool writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0 || !file.flush()) {
        err() << "cannot write " << path << ": " << file.errorString() << Qt::endl;
        return false;
    }
    return true;
}

// A field as the table reader takes it back: one that begins with a quote is quoted, its
// quotes doubled; any other is written as it is.
QString tableField(const QString& text)
{
    if (!text.startsWith(u'"'))
        return text;
    return u'"' + QString(text).replace(u"\""_s, u"\"\""_s) + u'"';
}

bool writeTable(const QString& directory, const QList<Row>& rows)
{
    if (!QDir().mkpath(directory)) {
        err() << "cannot create " << directory << Qt::endl;
        return false;
    }
    // Subfield and Label are for people and other tools; the windows read the first three.
    const QString schema = QStringLiteral("[PS.txt]\nColNameHeader=True\nFormat=TabDelimited\nCharacterSet=65001\nCol1=English Text\nCol2=Frensh Text\n"
                                          "Col3=num Integer\nCol4=Subfield Text\nCol5=Label Text\n");
    QString table = QStringLiteral("English\tFrensh\tnum\tSubfield\tLabel\n");
    for (qsizetype i = 0; i < rows.size(); ++i)
        table += tableField(rows[i].english) + u'\t' + tableField(rows[i].french) + u'\t' + QString::number(i) + u'\t' + tableField(rows[i].subfield)
            + u'\t' + tableField(rows[i].label) + u'\n';
    return writeFile(QDir(directory).filePath(QStringLiteral("schema.ini")), schema)
        && writeFile(QDir(directory).filePath(QStringLiteral("PS.txt")), table);
}

// The rows of one table in its browse order: by the search field under the store's ordering,
// then a term's translations. A pair given twice is written once.
QList<Row> tableRows(const QList<TermSource::Entry>& entries, bool frenchToEnglish)
{
    QList<Row> rows;
    QSet<QString> seen;
    for (const TermSource::Entry& entry : entries) {
        if (frenchToEnglish ? !entry.inFrenchToEnglish() : !entry.inEnglishToFrench())
            continue;
        Row row = frenchToEnglish ? Row { entry.shownEnglish(), entry.french, entry.subfield, entry.labelEnglish }
                                  : Row { entry.english, entry.shownFrench(), entry.subfield, entry.labelFrench };
        if (seen.contains(row.english + u'\t' + row.french))
            continue;
        seen.insert(row.english + u'\t' + row.french);
        rows.append(row);
    }
    // A term's main translation, the one without a label, comes first: it is the one the
    // search lands on.
    std::sort(rows.begin(), rows.end(), [frenchToEnglish](const Row& a, const Row& b) {
        const auto& [termA, translationA] = frenchToEnglish ? std::tie(a.french, a.english) : std::tie(a.english, a.french);
        const auto& [termB, translationB] = frenchToEnglish ? std::tie(b.french, b.english) : std::tie(b.english, b.french);
        if (termA != termB)
            return termLess(termA, termB);
        if (a.label.isEmpty() != b.label.isEmpty())
            return a.label.isEmpty();
        return termLess(translationA, translationB);
    });
    return rows;
}

// A folder inside the data directory (made if need be) for writing files before they move
// into place; null, with the reason said, when there can be none.
std::unique_ptr<QTemporaryDir> stagingIn(const QString& dataDirectory)
{
    if (!QDir().mkpath(dataDirectory)) {
        err() << "cannot create " << dataDirectory << Qt::endl;
        return nullptr;
    }
    auto staging = std::make_unique<QTemporaryDir>(QDir(dataDirectory).filePath(u".evelmora-build-XXXXXX"_s));
    if (!staging->isValid()) {
        err() << "cannot write in " << dataDirectory << ": " << staging->errorString() << Qt::endl;
        return nullptr;
    }
    return staging;
}

// Moves what `staging` holds into `target`, a name at a time: a file replaces its namesake in
// one step, a folder takes the place of the one of the same name. What is replaced is kept in
// `staging` until the end, so that a move that fails puts back everything moved before it.
bool moveIntoPlace(const QString& staging, const QString& target, const QStringList& names)
{
    namespace fs = std::filesystem;
    const auto path = [](const QString& directory, const QString& name) { return fs::path(QDir(directory).filePath(name).toStdString()); };
    QStringList moved;
    const auto putBack = [&]() {
        for (auto name = moved.crbegin(); name != moved.crend(); ++name) {
            std::error_code ignored;
            const fs::path old = path(staging, u"old-"_s + *name);
            if (fs::exists(old)) {
                if (fs::is_directory(old))
                    fs::remove_all(path(target, *name), ignored);
                fs::rename(old, path(target, *name), ignored);
            } else {
                fs::remove_all(path(target, *name), ignored);
            }
        }
    };
    for (const QString& name : names) {
        const fs::path from = path(staging, name);
        const fs::path to = path(target, name);
        const fs::path old = path(staging, u"old-"_s + name);
        std::error_code error;
        if (fs::is_directory(from)) {
            if (fs::exists(to))
                fs::rename(to, old, error);
            if (!error)
                fs::rename(from, to, error);
            if (error && fs::exists(old) && !fs::exists(to)) {
                std::error_code ignored;
                fs::rename(old, to, ignored);
            }
        } else {
            // A second name for the old file keeps it (a copy where the file system has no
            // links); the new one replaces it at once.
            if (fs::is_regular_file(to)) {
                fs::create_hard_link(to, old, error);
                if (error) {
                    error.clear();
                    fs::copy_file(to, old, error);
                }
            }
            if (!error)
                fs::rename(from, to, error);
        }
        if (error) {
            err() << "cannot put " << QString::fromStdString(to.string()) << " in place: " << QString::fromStdString(error.message()) << Qt::endl;
            putBack();
            return false;
        }
        moved.append(name);
    }
    return true;
}

// What a data directory holds besides the tables, for a directory the build makes whole: the
// rows printed under every entry (p1.txt, described by schema.ini) and the help file F1 opens
// before any dictionary window has, each put beside the tables unless the directory has its own.
bool addMissingFiles(const QString& staging, const QString& dataDirectory, QStringList* names)
{
    const auto missing = [&dataDirectory](const QString& name) { return TextFile::findCaseInsensitive(dataDirectory, name).isEmpty(); };
    if (missing(u"p1.txt"_s) && missing(u"schema.ini"_s)) {
        for (const QString& name : { u"p1.txt"_s, u"schema.ini"_s }) {
            QFile bundled(u":/data/"_s + name);
            if (!bundled.open(QIODevice::ReadOnly)) {
                err() << "cannot read the program's own " << name << Qt::endl;
                return false;
            }
            QFile file(QDir(staging).filePath(name));
            if (!file.open(QIODevice::WriteOnly) || file.write(bundled.readAll()) < 0 || !file.flush()) {
                err() << "cannot write " << file.fileName() << ": " << file.errorString() << Qt::endl;
                return false;
            }
            names->append(name);
        }
    }
    // The help file lies in the program directory: beside the tool in a build tree, in
    // share/evelmora once installed.
    const QString tools = QCoreApplication::applicationDirPath();
    for (const QString& help : QStringList { tools + u"/efENG.chm"_s, tools + u"/../share/evelmora/efENG.chm"_s }) {
        if (!missing(u"efENG.chm"_s) || !QFileInfo(help).isFile())
            continue;
        if (!QFile::copy(help, QDir(staging).filePath(u"efENG.chm"_s))) {
            err() << "cannot copy " << help << " to " << staging << Qt::endl;
            return false;
        }
        names->append(u"efENG.chm"_s);
        break;
    }
    return true;
}

int build(const QString& source, const QString& dataDirectory)
{
    auto entries = TermSource::read(source);
    if (!entries) {
        err() << entries.failure().description << Qt::endl;
        return 2;
    }
    const QList<Row> french = tableRows(*entries, true);
    const QList<Row> english = tableRows(*entries, false);
    QStringList frenchTerms;
    for (const Row& row : french)
        frenchTerms.append(row.french);
    QStringList englishTerms;
    for (const Row& row : english)
        englishTerms.append(row.english);
    // Everything is written beside the tables first, so that a build that fails half-way
    // leaves the data directory as it was.
    const auto staging = stagingIn(dataDirectory);
    if (!staging)
        return 2;
    const QDir data(staging->path());
    const auto connection = [](const QString& title, const QString& source, const QStringList& terms) {
        return QStringLiteral("[oledb]\n; %1\nProvider=text;Data Source=%2;Letter Starts=%3\n").arg(title, source, LetterStarts::format(letterStarts(terms)));
    };
    const bool written = writeTable(data.filePath(QStringLiteral("fr-en")), french) && writeTable(data.filePath(QStringLiteral("en-fr")), english)
        && writeFile(data.filePath(QStringLiteral("d0.UDL")), connection(QStringLiteral("French to English"), QStringLiteral("fr-en"), frenchTerms))
        && writeFile(data.filePath(QStringLiteral("d2.UDL")), connection(QStringLiteral("English to French"), QStringLiteral("en-fr"), englishTerms));
    QStringList names { u"fr-en"_s, u"en-fr"_s, u"d0.UDL"_s, u"d2.UDL"_s };
    if (!written || !addMissingFiles(staging->path(), dataDirectory, &names) || !moveIntoPlace(staging->path(), dataDirectory, names))
        return 2;
    QSet<QString> pairs;
    for (const TermSource::Entry& entry : *entries)
        pairs.insert(entry.french + u'\t' + entry.english);
    out() << pairs.size() << " entries written to " << dataDirectory << " (" << french.size() << " French to English, " << english.size()
          << " English to French)" << Qt::endl;
    return 0;
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
    if (output.isEmpty()) {
        QFile standardOutput;
        if (!standardOutput.open(stdout, QIODevice::WriteOnly) || standardOutput.write(bytes) != bytes.size() || !standardOutput.flush()) {
            err() << "cannot write to standard output: " << standardOutput.errorString() << Qt::endl;
            return 2;
        }
        return 0;
    }
    // Written beside the file and renamed over it, so a failed export leaves no half file.
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        err() << "cannot write " << output << ": " << file.errorString() << Qt::endl;
        return 2;
    }
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
    *starts = letterStarts(terms);
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

// Compiles the text tables behind one connection file into a SQLite database beside them and
// points the connection file at it, keeping the old one as <name>.text.
int compileDirection(const Direction& direction, const QString& dataDirectory)
{
    const QString udl = TextFile::findCaseInsensitive(dataDirectory, direction.connectionFile);
    auto description = ConnectionDescription::read(udl, dataDirectory);
    if (!description || !description->databaseFile.isEmpty()) {
        err() << (description ? udl + QStringLiteral(" names a compiled database already") : description.failure().description) << Qt::endl;
        return 2;
    }
    auto store = Store::open(*description);
    if (!store) {
        err() << store.failure().description << Qt::endl;
        return 2;
    }
    (*store)->setIndexedColumns({ direction.searchField });
    if (auto rows = (*store)->execute(direction.browseSource); !rows) {
        err() << rows.failure().description << Qt::endl;
        return 2;
    }
    const QString database = description->tableDirectory + QStringLiteral(".sqlite");
    QFile::remove(database);
    if (auto done = (*store)->compileTo(database); !done) {
        err() << "cannot write " << database << ": " << done.failure().description << Qt::endl;
        return 2;
    }
    QFile::remove(udl + QStringLiteral(".text"));
    QFile::copy(udl, udl + QStringLiteral(".text"));
    QString connection = QStringLiteral("[oledb]\n; compiled by evelmora-tables\nProvider=sqlite;Data Source=") + QDir(dataDirectory).relativeFilePath(database);
    if (description->letterStarts)
        connection += QStringLiteral(";Letter Starts=") + *description->letterStarts;
    if (!writeFile(udl, connection + u'\n'))
        return 2;
    out() << direction.connectionFile << ": " << database << Qt::endl;
    return 0;
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

// Writes the connection files through which a desktop reads a published dictionary, each with
// the Letter Starts of its table as the server orders it.
int connectDesktop(const QString& connectionString, const QString& dataDirectory)
{
    // The desktop would refuse the string; better said now than on every desktop.
    auto server = ServerConnection::open(connectionString, ServerConnection::Session { .passwordRefused = true });
    if (!server) {
        err() << server.failure().description << Qt::endl;
        return 2;
    }
    QString quoted = connectionString;
    quoted.replace(u'"', u"\"\""_s);
    QStringList files;
    for (const bool frenchToEnglish : { true, false }) {
        auto rows = Publish::browseOrder(connectionString, frenchToEnglish);
        if (!rows) {
            err() << rows.failure().description << Qt::endl;
            return 2;
        }
        QStringList terms;
        for (const auto& row : *rows)
            terms.append(row.first);
        files.append(QStringLiteral("[oledb]\n; %1, published on %2\nProvider=postgresql;Data Source=\"%3\";Letter Starts=%4\n")
                         .arg(frenchToEnglish ? u"French to English"_s : u"English to French"_s, (*server)->describe(), quoted,
                              LetterStarts::format(letterStarts(terms))));
    }
    const auto staging = stagingIn(dataDirectory);
    if (!staging)
        return 2;
    const QDir data(staging->path());
    if (!writeFile(data.filePath(u"d0.UDL"_s), files[0]) || !writeFile(data.filePath(u"d2.UDL"_s), files[1])
        || !moveIntoPlace(staging->path(), dataDirectory, { u"d0.UDL"_s, u"d2.UDL"_s }))
        return 2;
    out() << "d0.UDL and d2.UDL in " << dataDirectory << " read " << (*server)->describe() << Qt::endl;
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

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args[1] == u"build")
        return build(args[2], args[3]);
    if (args.size() >= 3 && args[1] == u"export")
        return exportCommand(args.mid(2));
    if (args.size() == 4 && args[1] == u"publish")
        return publish(args[2], args[3]);
    if (args.size() == 4 && args[1] == u"connect")
        return connectDesktop(args[2], args[3]);
    if (args.size() == 3 && args[1] == u"lint")
        return lint(args[2]);
    if (args.size() == 4 && args[1] == u"check" && args[2] == u"--server")
        return checkServer(args[3]);
    if (args.size() == 3 && args[1] == u"check")
        return check(args[2]);
    if (args.size() == 3 && args[1] == u"compile")
        return std::max(compileDirection(Direction::frenchToEnglish(), args[2]), compileDirection(Direction::englishToFrench(), args[2]));
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
            const LookupCommand::Answer answer = LookupCommand::run(rest[0], rest[1], rest[2], style);
            out() << answer.out << Qt::flush;
            err() << answer.err << Qt::flush;
            return answer.status;
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
