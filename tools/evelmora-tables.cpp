// Builds the two dictionary tables from a list of term pairs, and checks the tables of a
// data directory: every num must be the entry's browse position.

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include "cursor.h"
#include "dictionarycollation.h"
#include "direction.h"
#include "textfile.h"
#include "windowdata.h"

namespace {

struct Pair {
    QString french;
    QString english;
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

std::optional<QList<Pair>> readPairs(const QString& path)
{
    auto bytes = TextFile::read(path, qint64(1) << 30);
    if (!bytes) {
        err() << bytes.failure().description << Qt::endl;
        return std::nullopt;
    }
    const auto text = TextFile::decodeUtf8(*bytes);
    if (!text) {
        err() << path << ": not valid UTF-8" << Qt::endl;
        return std::nullopt;
    }
    QList<Pair> pairs;
    QSet<QString> seen;
    const QStringList lines = text->split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || i == 0)
            continue; // the header line names the columns: Frensh, English
        const QStringList fields = line.split(u'\t');
        if (fields.size() != 2 || fields[0].trimmed().isEmpty() || fields[1].trimmed().isEmpty()) {
            err() << path << " line " << i + 1 << ": a French term, a tab and an English term expected" << Qt::endl;
            return std::nullopt;
        }
        Pair pair { fields[0].trimmed(), fields[1].trimmed() };
        const QString key = pair.french + u'\t' + pair.english;
        if (seen.contains(key))
            continue;
        seen.insert(key);
        pairs.append(pair);
    }
    return pairs;
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

bool writeTable(const QString& directory, const QList<Pair>& pairs)
{
    if (!QDir().mkpath(directory)) {
        err() << "cannot create " << directory << Qt::endl;
        return false;
    }
    const QString schema = QStringLiteral(
        "[PS.txt]\nColNameHeader=True\nFormat=TabDelimited\nCharacterSet=65001\nCol1=English Text\nCol2=Frensh Text\nCol3=num Integer\n");
    QString table = QStringLiteral("English\tFrensh\tnum\n");
    for (qsizetype i = 0; i < pairs.size(); ++i)
        table += pairs[i].english + u'\t' + pairs[i].french + u'\t' + QString::number(i) + u'\n';
    return writeFile(QDir(directory).filePath(QStringLiteral("schema.ini")), schema)
        && writeFile(QDir(directory).filePath(QStringLiteral("PS.txt")), table);
}

int build(const QString& source, const QString& dataDirectory)
{
    auto pairs = readPairs(source);
    if (!pairs)
        return 2;
    QList<Pair> french = *pairs;
    std::sort(french.begin(), french.end(), [](const Pair& a, const Pair& b) {
        if (a.french != b.french)
            return termLess(a.french, b.french);
        return termLess(a.english, b.english);
    });
    QList<Pair> english = *pairs;
    std::sort(english.begin(), english.end(), [](const Pair& a, const Pair& b) {
        if (a.english != b.english)
            return termLess(a.english, b.english);
        return termLess(a.french, b.french);
    });
    const QDir data(dataDirectory);
    const bool written = writeTable(data.filePath(QStringLiteral("fr-en")), french) && writeTable(data.filePath(QStringLiteral("en-fr")), english)
        && writeFile(data.filePath(QStringLiteral("d0.UDL")), QStringLiteral("[oledb]\n; French to English\nProvider=text;Data Source=fr-en\n"))
        && writeFile(data.filePath(QStringLiteral("d2.UDL")), QStringLiteral("[oledb]\n; English to French\nProvider=text;Data Source=en-fr\n"));
    if (!written)
        return 2;
    out() << pairs->size() << " entries written to " << dataDirectory << Qt::endl;
    return 0;
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
    int wrong = 0;
    qint64 position = 0;
    QList<qint64> letterStarts(26, -1);
    for (Outcome step = browse.moveFirst(); !step && browse.onEntry(); step = browse.moveNext(), ++position) {
        const auto term = browse.field(direction.searchField);
        const auto num = browse.field(u"num");
        if (!term || !num) {
            out() << "  position " << position << ": " << (term ? num.failure() : term.failure()).description << Qt::endl;
            return 2;
        }
        if (num->text.trimmed() != QString::number(position)) {
            ++wrong;
            out() << "  position " << position << ": num is " << (num->null ? QStringLiteral("empty") : num->text) << ": " << term->text << Qt::endl;
        }
        const QString folded = DictionaryCollation::folded(term->text);
        const QChar first = folded.isEmpty() ? QChar() : folded.front().toUpper();
        for (int letter = 0; letter < 26; ++letter) {
            if (letterStarts[letter] < 0 && first >= QChar(u'A' + letter))
                letterStarts[letter] = position;
        }
    }
    QStringList starts;
    for (int letter = 0; letter < 26; ++letter) {
        const qint64 start = letterStarts[letter] < 0 ? position : letterStarts[letter];
        out() << "  " << QChar(u'A' + letter) << ' ' << start << Qt::endl;
        starts.append(QString::number(start));
    }
    out() << "  " << position << " entries, " << wrong << " with a wrong num" << Qt::endl;
    out() << "  Letter Starts=" << starts.join(u',') << Qt::endl;
    return wrong == 0 ? 0 : 1;
}

int check(const QString& dataDirectory)
{
    const int french = checkDirection(QStringLiteral("d0.UDL (French to English, by Frensh):"), Direction::frenchToEnglish(), dataDirectory);
    const int english = checkDirection(QStringLiteral("d2.UDL (English to French, stored order):"), Direction::englishToFrench(), dataDirectory);
    return std::max(french, english);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args[1] == u"build")
        return build(args[2], args[3]);
    if (args.size() == 3 && args[1] == u"check")
        return check(args[2]);
    err() << "usage: evelmora-tables build TERMS.tsv DATA_DIRECTORY\n"
             "       evelmora-tables check DATA_DIRECTORY\n";
    return 2;
}
