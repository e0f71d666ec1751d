#include <QTest>

#include <random>

#include <sys/stat.h>

#include "connectiondescription.h"
#include "testsupport.h"
#include "texttable.h"

using namespace Qt::Literals::StringLiterals;

namespace {

struct ReadTable {
    QList<TextTable::Column> columns;
    // The cells as text: the reader's own views end with each row.
    struct Cell {
        QString text;
        bool null;
        bool quoted;
    };
    QList<QList<Cell>> rows;
    Outcome outcome;
};

ReadTable readTable(const QString& path)
{
    ReadTable table;
    table.outcome = TextTable::read(
        path,
        [&](const QList<TextTable::Column>& columns) -> Outcome {
            table.columns = columns;
            return {};
        },
        [&](const std::vector<TextTable::Cell>& cells, int) -> Outcome {
            QList<ReadTable::Cell> row;
            for (const TextTable::Cell& cell : cells)
                row.append({ QString::fromUtf8(cell.text.data(), qsizetype(cell.text.size())), cell.null, cell.quoted });
            table.rows.append(row);
            return {};
        });
    return table;
}

} // namespace

class TestTextSources : public QObject {
    Q_OBJECT

private slots:
    void connectionDescription();
    void connectionDescriptionUtf16();
    void connectionDescriptionFailures_data();
    void connectionDescriptionFailures();
    void csvWithoutSchema();
    void schemaVariants();
    void encodings();
    void malformedTables_data();
    void malformedTables();
    void connectionFileBytes_data();
    void connectionFileBytes();
    void dataSourceOutsideTheDataDirectory();
    void tablesInMarkedUtf16();
    void tableTooLargeIsRefusedUnread();
    void lineEnds_data();
    void lineEnds();
    void quotedHeaderNamesKeepTheirBlanks();
    void pipesAndDevicesAreNotRead();
    void largeTablesReadOnTwoThreads();

private:
    QTemporaryDir m_dir;
};

void TestTextSources::connectionDescription()
{
    QDir(m_dir.path()).mkpath(u"tables"_s);
    auto parsed = ConnectionDescription::parse(u"\n[oledb]\n; comment\n  provider = Text ; DATA SOURCE=\"tables\";Letter Starts=0,5 \nignored=1"_s,
                                               u"x.UDL"_s, m_dir.path());
    QVERIFY(parsed);
    QCOMPARE(parsed->tableDirectory, QDir(m_dir.path()).filePath(u"tables"_s));
    QCOMPARE(parsed->letterStarts, u"0,5"_s);
    QVERIFY(!ConnectionDescription::parse(u"Provider=text"_s, u"x.UDL"_s, m_dir.path())->letterStarts);

    // Without a data source the tables are in the data directory itself; an absolute one is taken as is.
    auto defaulted = ConnectionDescription::parse(u"Provider=text"_s, u"x.UDL"_s, m_dir.path());
    QVERIFY(defaulted);
    QCOMPARE(defaulted->tableDirectory, QDir::cleanPath(m_dir.path()));
    auto absolute = ConnectionDescription::parse(u"Provider=text;Data Source="_s + m_dir.path() + u"/tables"_s, u"x.UDL"_s, u"/nonexistent"_s);
    QVERIFY(absolute);
}

void TestTextSources::connectionDescriptionUtf16()
{
    // As Windows writes .udl files: UTF-16LE with a byte-order mark and CRLF.
    const QString text = u"[oledb]\r\n; Everything after this line is an OLE DB initstring\r\nProvider=text;Data Source=.\r\n"_s;
    QByteArray bytes("\xFF\xFE");
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    writeTextFile(m_dir.path(), u"wide.UDL"_s, bytes);
    auto read = ConnectionDescription::read(m_dir.filePath(u"wide.UDL"_s), m_dir.path());
    QVERIFY2(read, qPrintable(read ? QString() : read.failure().description));
    QCOMPARE(read->tableDirectory, QDir::cleanPath(m_dir.path()));
}

void TestTextSources::connectionDescriptionFailures_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("only comments") << u"[oledb]\n; nothing\n"_s << int(FailureNumber::BadConnectionDescription) << u"no connection string"_s;
    QTest::newRow("no provider") << u"Data Source=."_s << int(FailureNumber::BadConnectionDescription) << u"no Provider"_s;
    QTest::newRow("other provider named") << u"Provider=Microsoft.Jet.OLEDB.4.0"_s << int(FailureNumber::ProviderNotSupported)
                                          << u"Microsoft.Jet.OLEDB.4.0"_s;
    QTest::newRow("unclosed quote") << u"Provider=text;Data Source=\"abc"_s << int(FailureNumber::BadConnectionDescription) << u"closing quote"_s;
    QTest::newRow("pair without =") << u"Provider=text;oops"_s << int(FailureNumber::BadConnectionDescription) << u"oops"_s;
    QTest::newRow("missing table directory") << u"Provider=text;Data Source=nowhere"_s << int(FailureNumber::FileNotFound) << u"nowhere"_s;
}

void TestTextSources::connectionDescriptionFailures()
{
    QFETCH(QString, text);
    QFETCH(int, number);
    QFETCH(QString, mentions);
    auto parsed = ConnectionDescription::parse(text, u"/data/d0.UDL"_s, m_dir.path());
    QVERIFY(!parsed);
    QCOMPARE(parsed.failure().number, number);
    QVERIFY2(parsed.failure().description.contains(u"/data/d0.UDL"_s), qPrintable(parsed.failure().description));
    QVERIFY2(parsed.failure().description.contains(mentions), qPrintable(parsed.failure().description));

    auto missing = ConnectionDescription::read(m_dir.filePath(u"absent.UDL"_s), m_dir.path());
    QCOMPARE(missing.failure().number, int(FailureNumber::FileNotFound));
}

void TestTextSources::csvWithoutSchema()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"PS.txt"_s,
                  "\xEF\xBB\xBF" "English,Frensh,num\r\n"
                  "\"anxiety, free-floating\",\"anxiété flottante\",0\r\n"
                  "\"say \"\"no\"\"\",\"dire \"\"non\"\"\",1\r\n"
                  "\r\n"
                  "\"two\nlines\",,\n");
    const ReadTable table = readTable(dir.filePath(u"PS.txt"_s));
    QVERIFY(table.outcome);
    QCOMPARE(table.columns.size(), 3);
    QCOMPARE(table.columns[1].name, u"Frensh"_s);
    QCOMPARE(table.rows.size(), 3);
    QCOMPARE(table.rows[0][0].text, u"anxiety, free-floating"_s);
    QCOMPARE(table.rows[0][1].text, u"anxiété flottante"_s);
    QCOMPARE(table.rows[1][0].text, u"say \"no\""_s);
    QCOMPARE(table.rows[2][0].text, u"two\nlines"_s);
    // An empty unquoted field is missing, not an empty text.
    QVERIFY(table.rows[2][1].null);
    QVERIFY(!table.rows[1][2].null);
}

void TestTextSources::schemaVariants()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"Schema.INI"_s,
                  "[other.txt]\nFormat=CSVDelimited\n"
                  "[ps.TXT]\nColNameHeader=False\nFormat=Delimited(;)\nCharacterSet=65001\n"
                  "Col1=English Text Width 255\nCol2=\"French term\" Char\nCol3=num Long\n"
                  "[tab.txt]\nFormat=TabDelimited\n");
    writeTextFile(dir.path(), u"PS.txt"_s, "fear;peur;0\nanger;colère;1\n");
    const ReadTable semicolons = readTable(dir.filePath(u"PS.txt"_s));
    QVERIFY(semicolons.outcome);
    QCOMPARE(semicolons.columns[1].name, u"French term"_s);
    QCOMPARE(semicolons.columns[2].type, TextTable::ColumnType::Integer);
    QCOMPARE(semicolons.rows.size(), 2);
    QCOMPARE(semicolons.rows[1][1].text, u"colère"_s);

    writeTextFile(dir.path(), u"tab.txt"_s, "a\tb\nx, y\tz\n");
    const ReadTable tabs = readTable(dir.filePath(u"tab.txt"_s));
    QVERIFY(tabs.outcome);
    QCOMPARE(tabs.rows[0][0].text, u"x, y"_s);
}

void TestTextSources::encodings()
{
    QTemporaryDir dir;
    // Not valid UTF-8, so read as Windows-1252: 0xE9 is é, 0x9C is œ, 0x80 the euro sign.
    writeTextFile(dir.path(), u"PS.txt"_s, "English,Frensh\nheart,c\x9C" "ur \xE9mu \x80\n");
    const ReadTable ansi = readTable(dir.filePath(u"PS.txt"_s));
    QVERIFY(ansi.outcome);
    QCOMPARE(ansi.rows[0][1].text, u"cœur ému €"_s);

    writeTextFile(dir.path(), u"schema.ini"_s, "[PS.txt]\nCharacterSet=ANSI\n");
    writeTextFile(dir.path(), u"PS.txt"_s, "English,Frensh\nfear,\xC3\xA9\n");
    QCOMPARE(readTable(dir.filePath(u"PS.txt"_s)).rows[0][1].text, u"Ã©"_s);

    writeTextFile(dir.path(), u"schema.ini"_s, "[PS.txt]\nCharacterSet=65001\n");
    writeTextFile(dir.path(), u"PS.txt"_s, "English,Frensh\nfear,\xE9\n");
    const auto strict = readTable(dir.filePath(u"PS.txt"_s)).outcome;
    QVERIFY(!strict);
    QVERIFY(strict.failure().description.contains(u"UTF-8"_s));
}

void TestTextSources::malformedTables_data()
{
    QTest::addColumn<QByteArray>("schema");
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QString>("mentions");

    QTest::newRow("too few fields") << QByteArray() << QByteArray("English,Frensh,num\na,b,0\n\nc,d\n") << u"line 4: 2 fields, 3 expected"_s;
    QTest::newRow("too many fields") << QByteArray() << QByteArray("English,Frensh\na,b,c\n") << u"line 2: 3 fields, 2 expected"_s;
    QTest::newRow("unclosed quote") << QByteArray() << QByteArray("English,Frensh\na,b\n\"c,d\n") << u"line 3: a quoted field is not closed"_s;
    QTest::newRow("text after quote") << QByteArray() << QByteArray("English,Frensh\n\"a\"x,b\n") << u"line 2: text after the closing quote"_s;
    QTest::newRow("empty file") << QByteArray() << QByteArray() << u"no header line"_s;
    QTest::newRow("duplicate column") << QByteArray() << QByteArray("num,NUM\n1,2\n") << u"two columns are named NUM"_s;
    QTest::newRow("not a whole number") << QByteArray("[PS.txt]\nCol1=English Text\nCol2=num Integer\n")
                                        << QByteArray("English,num\nfear,12\nanger,1x\n") << u"line 3: num \"1x\" is not a whole number"_s;
    QTest::newRow("unknown type") << QByteArray("[PS.txt]\nCol1=English Varchar\n") << QByteArray("a\n") << u"unknown column type \"Varchar\""_s;
    QTest::newRow("gap in columns") << QByteArray("[PS.txt]\nCol1=English Text\nCol3=num Integer\n") << QByteArray("a\n") << u"Col2"_s;
    QTest::newRow("NUL byte") << QByteArray() << QByteArray("English,Frensh\nfear,peur\nan\0ger,col\xC3\xA8re\n", 40)
                              << u"line 3: a NUL character"_s;
    QTest::newRow("UTF-16 without its mark") << QByteArray() << QByteArray("E\0n\0,\0F\0r\0\n\0", 12) << u"line 1: a NUL character, which no text table holds (is it UTF-16 without its byte-order mark?)"_s;
    QTest::newRow("fixed length") << QByteArray("[PS.txt]\nFormat=FixedLength\n") << QByteArray("a\n") << u"FixedLength"_s;
}

void TestTextSources::malformedTables()
{
    QFETCH(QByteArray, schema);
    QFETCH(QByteArray, table);
    QFETCH(QString, mentions);
    QTemporaryDir dir;
    if (!schema.isEmpty())
        writeTextFile(dir.path(), u"schema.ini"_s, schema);
    writeTextFile(dir.path(), u"PS.txt"_s, table);
    const ReadTable read = readTable(dir.filePath(u"PS.txt"_s));
    QVERIFY(!read.outcome);
    QCOMPARE(read.outcome.failure().number, int(FailureNumber::MalformedTable));
    QVERIFY2(read.outcome.failure().description.contains(mentions), qPrintable(read.outcome.failure().description));
    QVERIFY2(read.outcome.failure().description.contains(u".txt"_s) || read.outcome.failure().description.contains(u"schema.ini"_s),
             qPrintable(read.outcome.failure().description));
}

void TestTextSources::connectionFileBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("mentions"); // empty: the file reads
    const QString text = u"Provider=text;Data Source=.\r\n"_s;
    QByteArray littleEndian(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    QByteArray bigEndian;
    for (const QChar c : text)
        bigEndian.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    QTest::newRow("empty") << QByteArray() << u"the file is empty"_s;
    QTest::newRow("UTF-16 without its mark") << littleEndian << u"the file holds NUL bytes (is it UTF-16 without its byte-order mark?)"_s;
    QTest::newRow("UTF-16 big-endian with its mark") << QByteArray("\xFE\xFF") + bigEndian << QString();
    QTest::newRow("UTF-8 with its mark") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << QString();
    QTest::newRow("a NUL inside") << QByteArray("Provider=text;\0Data Source=.", 29) << u"NUL"_s;
}

void TestTextSources::connectionFileBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, mentions);
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"d0.UDL"_s, bytes);
    auto read = ConnectionDescription::read(dir.filePath(u"d0.UDL"_s), dir.path());
    if (mentions.isEmpty()) {
        QVERIFY2(read, qPrintable(read ? QString() : read.failure().description));
        QCOMPARE(read->tableDirectory, QDir::cleanPath(dir.path()));
        return;
    }
    QVERIFY(!read);
    QCOMPARE(read.failure().number, int(FailureNumber::BadConnectionDescription));
    QVERIFY2(read.failure().description.contains(dir.filePath(u"d0.UDL"_s)) && read.failure().description.contains(mentions),
             qPrintable(read.failure().description));
}

void TestTextSources::dataSourceOutsideTheDataDirectory()
{
    // Allowed: a dictionary can keep its tables elsewhere. When they are not there, the message
    // gives the path that was tried, relative names resolved against the data directory.
    QTemporaryDir data, elsewhere;
    auto outside = ConnectionDescription::parse(u"Provider=text;Data Source="_s + elsewhere.path(), u"d0.UDL"_s, data.path());
    QVERIFY(outside);
    QCOMPARE(outside->tableDirectory, QDir::cleanPath(elsewhere.path()));
    const auto tried = [&](const QString& source) {
        auto parsed = ConnectionDescription::parse(u"Provider=text;Data Source="_s + source, u"d0.UDL"_s, data.path());
        return parsed ? QString() : parsed.failure().description;
    };
    QVERIFY2(tried(elsewhere.path() + u"/gone"_s).contains(elsewhere.path() + u"/gone"_s), qPrintable(tried(elsewhere.path() + u"/gone"_s)));
    QVERIFY2(tried(u"../up/gone"_s).contains(QDir::cleanPath(data.path() + u"/../up/gone"_s)), qPrintable(tried(u"../up/gone"_s)));
}

void TestTextSources::tablesInMarkedUtf16()
{
    // What Windows calls a Unicode text file; the mark decides over schema.ini's character set.
    const QString text = u"English,Frensh\r\nfear,cœur 😀\r\n"_s;
    QByteArray little("\xFF\xFE");
    little.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    QByteArray big("\xFE\xFF");
    for (const QChar c : text)
        big.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    for (const QByteArray& bytes : { little, big }) {
        QTemporaryDir dir;
        writeTextFile(dir.path(), u"schema.ini"_s, "[PS.txt]\nCharacterSet=ANSI\n");
        writeTextFile(dir.path(), u"PS.txt"_s, bytes);
        const ReadTable table = readTable(dir.filePath(u"PS.txt"_s));
        QVERIFY2(table.outcome, qPrintable(table.outcome ? QString() : table.outcome.failure().description));
        QCOMPARE(table.columns[0].name, u"English"_s);
        QCOMPARE(table.rows.size(), 1);
        QCOMPARE(table.rows[0][1].text, u"cœur 😀"_s);
    }
}

void TestTextSources::tableTooLargeIsRefusedUnread()
{
    // A sparse file: large on paper, nothing on disk, and the limit is checked before reading.
    QTemporaryDir dir;
    QFile file(dir.filePath(u"PS.txt"_s));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(300LL * 1024 * 1024));
    file.close();
    const ReadTable table = readTable(file.fileName());
    QVERIFY(!table.outcome);
    QCOMPARE(table.outcome.failure().number, int(FailureNumber::CannotReadFile));
    QVERIFY2(table.outcome.failure().description.contains(file.fileName()) && table.outcome.failure().description.contains(u"314572800 bytes"_s)
                 && table.outcome.failure().description.contains(u"268435456"_s),
             qPrintable(table.outcome.failure().description));
}

void TestTextSources::lineEnds_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::newRow("LF") << QByteArray("English,Frensh\nfear,peur\n\n\"say\nno\",non\nzeal,zèle");
    QTest::newRow("CRLF") << QByteArray("English,Frensh\r\nfear,peur\r\n\r\n\"say\r\nno\",non\r\nzeal,zèle\r\n");
    QTest::newRow("CR alone") << QByteArray("English,Frensh\rfear,peur\r\r\"say\rno\",non\rzeal,zèle\r");
}

void TestTextSources::lineEnds()
{
    // Old Mac text ends its lines with a CR alone; it reads as the other two do, a line end
    // inside quotes staying part of the field.
    QFETCH(QByteArray, table);
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"PS.txt"_s, table);
    writeTextFile(dir.path(), u"schema.ini"_s, QByteArray("[PS.txt]\rColNameHeader=True\rCharacterSet=65001\r"));
    const ReadTable read = readTable(dir.filePath(u"PS.txt"_s));
    QVERIFY2(read.outcome, qPrintable(read.outcome ? QString() : read.outcome.failure().description));
    QCOMPARE(read.columns.size(), 2);
    QCOMPARE(read.rows.size(), 3);
    QCOMPARE(read.rows[0][1].text, u"peur"_s);
    QVERIFY(read.rows[1][0].text.startsWith(u"say"_s) && read.rows[1][0].text.endsWith(u"no"_s));
    QCOMPARE(read.rows[2][1].text, u"zèle"_s);

    // A fault is named on the line a reader would count, whatever the line ends.
    QByteArray broken = table;
    broken.replace("zeal,", QByteArray("ze\0al,", 6));
    writeTextFile(dir.path(), u"PS.txt"_s, broken);
    const ReadTable nul = readTable(dir.filePath(u"PS.txt"_s));
    QVERIFY(!nul.outcome);
    QVERIFY2(nul.outcome.failure().description.contains(u"line 6: a NUL character"_s), qPrintable(nul.outcome.failure().description));
}

void TestTextSources::quotedHeaderNamesKeepTheirBlanks()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"p1.txt"_s, "\"a1 a2 a3 \"\nfirst row\n\"second, row\"\n");
    const ReadTable quoted = readTable(dir.filePath(u"p1.txt"_s));
    QVERIFY(quoted.outcome);
    QCOMPARE(quoted.columns[0].name, u"a1 a2 a3 "_s);
    QCOMPARE(quoted.rows.size(), 2);

    // Blanks inside the quotes are the name's; blanks around an unquoted name are layout.
    writeTextFile(dir.path(), u"PS.txt"_s, "  English ,\" Frensh\",\"\"\nfear,peur,x\n");
    const ReadTable mixed = readTable(dir.filePath(u"PS.txt"_s));
    QVERIFY(mixed.outcome);
    QCOMPARE(mixed.columns[0].name, u"English"_s);
    QCOMPARE(mixed.columns[1].name, u" Frensh"_s);
    QCOMPARE(mixed.columns[2].name, u"F3"_s); // an empty name, quoted or not, is numbered
}

void TestTextSources::pipesAndDevicesAreNotRead()
{
    // Opening a named pipe for reading would wait for a writer that never comes.
    QTemporaryDir dir;
    const QString pipe = dir.filePath(u"PS.txt"_s);
    QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
    const ReadTable fromPipe = readTable(pipe);
    QVERIFY(!fromPipe.outcome);
    QCOMPARE(fromPipe.outcome.failure().number, int(FailureNumber::CannotReadFile));
    QCOMPARE(fromPipe.outcome.failure().description, u"cannot read "_s + pipe + u": it is not a regular file but a named pipe (FIFO)"_s);

    // A link to a device says what lies behind it.
    const QString link = dir.filePath(u"d0.UDL"_s);
    QVERIFY(QFile::link(u"/dev/zero"_s, link));
    const auto device = ConnectionDescription::read(link, dir.path());
    QVERIFY(!device);
    QVERIFY2(device.failure().description.endsWith(u"it is not a regular file but a character device"_s), qPrintable(device.failure().description));
}

void TestTextSources::largeTablesReadOnTwoThreads()
{
    // Large enough to be split on a second thread: quoted fields with commas, quotes and line
    // breaks, missing values, CRLF; every row read back as written, with its line.
    std::mt19937 random(20261209);
    QByteArray csv = "English,Frensh,num\r\n";
    QList<QStringList> written;
    QList<int> lines;
    int line = 2;
    while (csv.size() < 3 * 1024 * 1024) {
        const int kind = int(random() % 4);
        const QString english = u"term %1"_s.arg(written.size());
        const QString french = kind == 0 ? u"a, \"quoted\"\r\nsecond line"_s : kind == 1 ? QString() : u"terme é %1"_s.arg(random() % 1000);
        const QByteArray field = kind == 0 ? QByteArray("\"a, \"\"quoted\"\"\r\nsecond line\"") : french.toUtf8();
        csv += english.toUtf8() + ',' + field + ',' + QByteArray::number(written.size()) + "\r\n";
        written.append({ english, french, QString::number(written.size()) });
        lines.append(line);
        line += kind == 0 ? 2 : 1;
    }
    writeTextFile(m_dir.path(), u"large.txt"_s, csv);
    const QString path = m_dir.filePath(u"large.txt"_s);
    qsizetype row = 0;
    bool same = true;
    const auto columns = [](const QList<TextTable::Column>&) -> Outcome { return {}; };
    Outcome read = TextTable::read(path, columns, [&](const std::vector<TextTable::Cell>& cells, int at) -> Outcome {
        same = same && row < written.size() && at == lines[row] && cells.size() == 3;
        for (std::size_t i = 0; same && i < cells.size(); ++i)
            same = QString::fromUtf8(cells[i].text.data(), qsizetype(cells[i].text.size())) == written[row][qsizetype(i)];
        ++row;
        return {};
    });
    QVERIFY2(read, qPrintable(read ? QString() : read.failure().description));
    QVERIFY(same);
    QCOMPARE(row, written.size());

    // A sink that stops half-way, and a bad row near the end: the second thread gives up too.
    row = 0;
    read = TextTable::read(path, columns, [&](const std::vector<TextTable::Cell>&, int) -> Outcome {
        return ++row < written.size() / 2 ? Outcome() : Outcome(Failure { 1, u"enough"_s });
    });
    QCOMPARE(read.failure().description, u"enough"_s);
    csv.chop(2);
    csv += ",extra\r\n";
    writeTextFile(m_dir.path(), u"large.txt"_s, csv);
    read = TextTable::read(path, columns, [](const std::vector<TextTable::Cell>&, int) -> Outcome { return {}; });
    QVERIFY2(!read && read.failure().description.contains(u"line %1: 4 fields, 3 expected"_s.arg(lines.last())), qPrintable(read.failure().description));
}

QTEST_GUILESS_MAIN(TestTextSources)
#include "tst_textsources.moc"
