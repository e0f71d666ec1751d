#include "buildcommand.h"

#include <algorithm>
#include <tuple>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include "compiledcopy.h"
#include "connectiondescription.h"
#include "cursor.h"
#include "dictionarycollation.h"
#include "direction.h"
#include "directoryupdate.h"
#include "publish.h"
#include "serverconnection.h"
#include "store.h"
#include "storefactory.h"
#include "tablewriter.h"
#include "termrecords.h"
#include "termsource.h"
#include "textfile.h"
#include "texttable.h"
#include "windowdata.h"

using namespace Qt::StringLiterals;

namespace BuildCommand {
namespace {

using Row = TableWriter::Row;

CommandAnswer refused(const QString& why)
{
    return { .status = 2, .out = {}, .err = why + u'\n' };
}

// Orders by the store's ordering first; texts it holds equal keep a fixed order of their own.
bool termLess(const QString& a, const QString& b)
{
    if (const int c = DictionaryCollation::compare(a, b); c != 0)
        return c < 0;
    return a < b;
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
        const TermRecord::Side& looked = frenchToEnglish ? entry.frenchRecord : entry.englishRecord;
        const TermRecord::Side& translated = frenchToEnglish ? entry.englishRecord : entry.frenchRecord;
        Row row { .english = frenchToEnglish ? entry.shownEnglish() : entry.english,
                  .french = frenchToEnglish ? entry.french : entry.shownFrench(),
                  .subfield = entry.subfield,
                  .label = frenchToEnglish ? entry.labelEnglish : entry.labelFrench,
                  .grammar = TermRecord::grammarText(looked),
                  .translationGrammar = TermRecord::grammarText(translated),
                  .definitionFrench = entry.definitionFrench,
                  .definitionEnglish = entry.definitionEnglish,
                  .notes = TermRecord::notesText(looked.notes, looked.warnings),
                  .related = TermRecord::relatedText(looked.related) };
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

// What a data directory holds besides the tables, for a directory the build makes whole: the
// rows printed under every entry (p1.txt, described by schema.ini) and the help file F1 opens
// before any dictionary window has, each put beside the tables unless the directory has its own.
Outcome addMissingFiles(DirectoryUpdate& update, const QString& programDirectory)
{
    const auto missing = [&update](const QString& name) { return TextFile::findCaseInsensitive(update.path(), name).isEmpty(); };
    if (missing(u"p1.txt"_s) && missing(u"schema.ini"_s)) {
        for (const QString& name : { u"p1.txt"_s, u"schema.ini"_s }) {
            QFile bundled(u":/data/"_s + name);
            if (!bundled.open(QIODevice::ReadOnly))
                return Failure { FailureNumber::CannotReadFile, u"cannot read the program's own "_s + name };
            if (Outcome written = update.write(name, bundled.readAll()); !written)
                return written;
        }
    }
    // The help file lies in the program directory: beside the tool in a build tree, in
    // share/evelmora once installed.
    for (const QString& help : QStringList { programDirectory + u"/efENG.chm"_s, programDirectory + u"/../share/evelmora/efENG.chm"_s }) {
        if (!missing(u"efENG.chm"_s) || !QFileInfo(help).isFile())
            continue;
        auto bytes = TextFile::read(help, qint64(1) << 30);
        if (!bytes)
            return bytes.failure();
        return update.write(u"efENG.chm"_s, *bytes);
    }
    return {};
}

// A failure met in the copy, told with the data directory's own name.
Failure named(Failure failure, const DirectoryUpdate& update, const QString& dataDirectory)
{
    failure.description.replace(update.path(), dataDirectory);
    return failure;
}

// The windows' own reading of what was written, before it goes in place: a table they would
// refuse, or one that does not hold every row, is not put there.
Outcome readsBack(const QString& directory, const Direction& direction, qsizetype rows)
{
    WindowData data = WindowData::open(direction, directory);
    if (data.loadFailure)
        return Failure { data.loadFailure->number, u"the tables written would not open: "_s + data.loadFailure->description };
    auto count = data.browse->recordCount();
    if (!count)
        return count.failure();
    if (*count != rows)
        return Failure { FailureNumber::MalformedTable, QStringLiteral("the table of %1 written holds %2 entries, %3 expected").arg(direction.connectionFile).arg(*count).arg(rows) };
    return {};
}

// One direction compiled in the copy `update` holds; the entries it has, for the check.
Result<qsizetype> compileDirection(const Direction& direction, DirectoryUpdate& update, const QString& dataDirectory, QString* said)
{
    const QString udl = TextFile::findCaseInsensitive(update.path(), direction.connectionFile);
    const QString udlName = QFileInfo(udl).fileName();
    const QString shownUdl = QDir(dataDirectory).filePath(udlName);
    auto description = ConnectionDescription::read(udl, update.path());
    if (!description)
        return named(description.failure(), update, dataDirectory);
    if (!description->databaseFile.isEmpty())
        return Failure { FailureNumber::BadConnectionDescription, shownUdl + QStringLiteral(" names a compiled database already") };
    auto store = openStore(*description);
    if (!store)
        return named(store.failure(), update, dataDirectory);
    (*store)->setIndexedColumns({ direction.searchField });
    auto rows = (*store)->execute(direction.browseSource);
    if (!rows)
        return named(rows.failure(), update, dataDirectory);
    auto entries = (*rows)->rowCount();
    if (!entries)
        return entries.failure();
    // Tables kept outside the data directory get their database inside it, so that it lands
    // with the connection file that names it.
    QString database = QDir(update.path()).relativeFilePath(description->tableDirectory + QStringLiteral(".sqlite"));
    if (database.startsWith(u"../"_s) || QDir::isAbsolutePath(database))
        database = QFileInfo(description->tableDirectory).fileName() + QStringLiteral(".sqlite");
    if (Outcome removed = update.remove(database); !removed)
        return removed.failure();
    if (auto done = (*store)->compileTo(update.filePath(database)); !done)
        return Failure { done.failure().number, QStringLiteral("cannot write %1: %2").arg(QDir(dataDirectory).filePath(database), done.failure().description) };
    if (Outcome synced = update.adopt(database); !synced)
        return synced.failure();
    auto old = TextFile::read(udl, qint64(1) << 20);
    if (!old)
        return old.failure();
    QString connection = QStringLiteral("[oledb]\n; compiled by evelmora-tables\nProvider=sqlite;Data Source=") + database;
    if (description->letterStarts)
        connection += QStringLiteral(";Letter Starts=") + *description->letterStarts;
    if (Outcome kept = update.write(udlName + QStringLiteral(".text"), *old); !kept)
        return kept.failure();
    if (Outcome written = update.write(udlName, (connection + u'\n').toUtf8()); !written)
        return written.failure();
    *said += direction.connectionFile + QStringLiteral(": ") + QDir(dataDirectory).filePath(database) + u'\n';
    return *entries;
}

QString noteOf(const DirectoryUpdate& update, const QString& dataDirectory)
{
    QString said;
    if (!update.whole())
        said += u"note: %1 could not be switched whole (a mount point, or a folder that cannot be written around it): its files were replaced one at a time, each whole\n"_s.arg(dataDirectory);
    if (!update.note().isEmpty())
        said += u"note: "_s + update.note() + u'\n';
    return said;
}

// The compiled tables read back as the windows read them, then put in the place of `shown`;
// `what` names it in a refusal, which leaves it as it was.
CommandAnswer putInPlace(DirectoryUpdate& copy, const QList<std::pair<const Direction*, qsizetype>>& compiled, const QString& shown, const QString& what,
                         const QString& said)
{
    for (const auto& [direction, rows] : compiled) {
        if (Outcome read = readsBack(copy.path(), *direction, rows); !read)
            return refused(named(read.failure(), copy, shown).description + u"; "_s + what + u" is left as it was"_s);
    }
    if (Outcome done = copy.commit(); !done)
        return refused(done.failure().description);
    return { .status = 0, .out = said, .err = noteOf(copy, shown) };
}

} // namespace

LetterStartTable letterStarts(const QStringList& terms)
{
    // Where the terms whose folded first letter is that letter or later begin; A is always the
    // first entry.
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

CommandAnswer build(const QString& source, const QString& dataDirectory, const QString& programDirectory)
{
    auto read = TermRecords::read(source);
    if (!read)
        return refused(read.failure().description);
    QList<TermSource::Entry>* entries = &read->entries;
    TermRecords::addInverseLinks(entries);
    const bool records = std::any_of(entries->begin(), entries->end(), [](const TermSource::Entry& entry) { return entry.hasRecord(); });
    const QList<Row> french = tableRows(*entries, true);
    const QList<Row> english = tableRows(*entries, false);
    QStringList frenchTerms;
    for (const Row& row : french)
        frenchTerms.append(row.french);
    QStringList englishTerms;
    for (const Row& row : english)
        englishTerms.append(row.english);
    const QByteArray frenchTable = TableWriter::table(french, records);
    const QByteArray englishTable = TableWriter::table(english, records);
    // The windows read a table up to a size; a larger one would be written for nothing.
    for (const auto& [table, name] : { std::pair { &frenchTable, u"French-to-English"_s }, std::pair { &englishTable, u"English-to-French"_s } }) {
        if (table->size() > TextTable::maxTableBytes)
            return refused(QStringLiteral("the %1 table would take %2 bytes, more than the %3 the program reads; the dictionary is left as it was")
                               .arg(name)
                               .arg(table->size())
                               .arg(TextTable::maxTableBytes));
    }
    auto update = DirectoryUpdate::begin(dataDirectory);
    if (!update)
        return refused(update.failure().description);
    DirectoryUpdate& copy = **update;
    const QList<std::pair<QString, QByteArray>> files {
        { u"fr-en/schema.ini"_s, TableWriter::schema(records) },
        { u"fr-en/PS.txt"_s, frenchTable },
        { u"en-fr/schema.ini"_s, TableWriter::schema(records) },
        { u"en-fr/PS.txt"_s, englishTable },
        { u"d0.UDL"_s, TableWriter::connection(u"French to English"_s, u"fr-en"_s, LetterStarts::format(letterStarts(frenchTerms))) },
        { u"d2.UDL"_s, TableWriter::connection(u"English to French"_s, u"en-fr"_s, LetterStarts::format(letterStarts(englishTerms))) },
    };
    // The tables' folders are the build's own: replaced whole, as before.
    for (const QString& folder : { u"fr-en"_s, u"en-fr"_s }) {
        if (Outcome removed = copy.remove(folder); !removed)
            return refused(removed.failure().description);
    }
    for (const auto& [name, bytes] : files) {
        if (Outcome written = copy.write(name, bytes); !written)
            return refused(written.failure().description);
    }
    if (Outcome added = addMissingFiles(copy, programDirectory); !added)
        return refused(added.failure().description);
    for (const auto& [direction, rows] : { std::pair { &Direction::frenchToEnglish(), french.size() }, std::pair { &Direction::englishToFrench(), english.size() } }) {
        if (Outcome read = readsBack(copy.path(), *direction, rows); !read)
            return refused(named(read.failure(), copy, dataDirectory).description + u"; the dictionary is left as it was"_s);
    }
    if (Outcome done = copy.commit(); !done)
        return refused(done.failure().description);
    QSet<QString> pairs;
    for (const TermSource::Entry& entry : *entries)
        pairs.insert(entry.french + u'\t' + entry.english);
    return { .status = 0,
             .out = QStringLiteral("%1 entries written to %2 (%3 French to English, %4 English to French)\n")
                        .arg(pairs.size())
                        .arg(dataDirectory)
                        .arg(french.size())
                        .arg(english.size()),
             .err = noteOf(copy, dataDirectory) };
}

CommandAnswer compile(const QString& dataDirectory)
{
    if (!QFileInfo(dataDirectory).isDir())
        return refused(dataDirectory + QStringLiteral(": no such data directory"));
    auto update = DirectoryUpdate::begin(dataDirectory);
    if (!update)
        return refused(update.failure().description);
    DirectoryUpdate& copy = **update;
    QString said;
    QList<std::pair<const Direction*, qsizetype>> compiled;
    for (const Direction* direction : { &Direction::frenchToEnglish(), &Direction::englishToFrench() }) {
        auto entries = compileDirection(*direction, copy, dataDirectory, &said);
        if (!entries)
            return refused(entries.failure().description + u"; the data directory is left as it was"_s);
        compiled.append({ direction, *entries });
    }
    return putInPlace(copy, compiled, dataDirectory, u"the data directory"_s, said);
}

CommandAnswer compileCopy(const QString& dataDirectory)
{
    if (!QFileInfo(dataDirectory).isDir())
        return refused(dataDirectory + QStringLiteral(": no such data directory"));
    const QString folder = QDir(dataDirectory).filePath(QString::fromLatin1(CompiledCopy::folder));
    auto update = DirectoryUpdate::begin(folder);
    if (!update)
        return refused(update.failure().description);
    DirectoryUpdate& copy = **update;
    QString said;
    QList<std::pair<const Direction*, qsizetype>> compiled;
    for (const Direction* direction : { &Direction::frenchToEnglish(), &Direction::englishToFrench() }) {
        const QString udl = TextFile::findCaseInsensitive(dataDirectory, direction->connectionFile);
        auto description = ConnectionDescription::read(udl, dataDirectory);
        if (!description)
            return refused(description.failure().description);
        if (!description->databaseFile.isEmpty() || !description->serverConnection.isEmpty())
            return refused(udl + u" names no text tables: the look-up tools read what it names as it is"_s);
        // The copy's description names the tables where they are, for the compile to read.
        QString source = description->tableDirectory;
        source.replace(u'"', u"\"\""_s);
        QString text = u"[oledb]\nProvider=text;Data Source=\""_s + source + u'"';
        if (description->letterStarts)
            text += u";Letter Starts="_s + *description->letterStarts;
        if (Outcome written = copy.write(direction->connectionFile, (text + u'\n').toUtf8()); !written)
            return refused(written.failure().description);
        auto entries = compileDirection(*direction, copy, folder, &said);
        if (!entries)
            return refused(entries.failure().description + u"; the compiled copy is left as it was"_s);
        // The copy is read through its compiled description only.
        if (Outcome removed = copy.remove(direction->connectionFile + u".text"_s); !removed)
            return refused(removed.failure().description);
        compiled.append({ direction, *entries });
    }
    return putInPlace(copy, compiled, folder, u"the compiled copy"_s, said);
}

CommandAnswer connect(const QString& connectionString, const QString& dataDirectory)
{
    // The desktop would refuse the string; better said now than on every desktop.
    auto server = ServerConnection::open(connectionString, ServerConnection::Session { .passwordRefused = true });
    if (!server)
        return refused(server.failure().description);
    QString quoted = connectionString;
    quoted.replace(u'"', u"\"\""_s);
    QStringList files;
    for (const bool frenchToEnglish : { true, false }) {
        auto rows = Publish::browseOrder(connectionString, frenchToEnglish);
        if (!rows)
            return refused(rows.failure().description);
        QStringList terms;
        for (const auto& row : *rows)
            terms.append(row.first);
        files.append(QStringLiteral("[oledb]\n; %1, published on %2\nProvider=postgresql;Data Source=\"%3\";Letter Starts=%4\n")
                         .arg(frenchToEnglish ? u"French to English"_s : u"English to French"_s, (*server)->describe(), quoted,
                              LetterStarts::format(letterStarts(terms))));
    }
    auto update = DirectoryUpdate::begin(dataDirectory);
    if (!update)
        return refused(update.failure().description);
    for (const auto& [name, text] : { std::pair { u"d0.UDL"_s, files[0] }, std::pair { u"d2.UDL"_s, files[1] } }) {
        if (Outcome written = (*update)->write(name, text.toUtf8()); !written)
            return refused(written.failure().description);
    }
    if (Outcome done = (*update)->commit(); !done)
        return refused(done.failure().description);
    return { .status = 0, .out = QStringLiteral("d0.UDL and d2.UDL in %1 read %2\n").arg(dataDirectory, (*server)->describe()), .err = noteOf(**update, dataDirectory) };
}

} // namespace BuildCommand
