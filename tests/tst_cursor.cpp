#include <QDirIterator>
#include <QTest>

#include "connectiondescription.h"
#include "cursor.h"
#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

std::shared_ptr<Store> openStore(const QString& tableDir)
{
    auto description = ConnectionDescription::parse(u"Provider=text"_s, u"test.UDL"_s, tableDir);
    if (!description)
        qFatal("%s", qPrintable(description.failure().description));
    auto store = Store::open(*description);
    if (!store)
        qFatal("%s", qPrintable(store.failure().description));
    return *store;
}

QByteArray csv(const QStringList& frenchTerms)
{
    QByteArray text = "English,Frensh,num\n";
    for (qsizetype i = 0; i < frenchTerms.size(); ++i)
        text += "en" + QByteArray::number(i) + ",\"" + frenchTerms[i].toUtf8() + "\"," + QByteArray::number(i) + '\n';
    return text;
}

QStringList column(Cursor& cursor, const QString& name)
{
    QStringList values;
    for (Outcome step = cursor.moveFirst(); !step && cursor.onEntry(); step = cursor.moveNext())
        values.append(cursor.field(name)->text);
    return values;
}

int failureNumber(const Outcome& outcome)
{
    return outcome ? outcome->number : 0;
}

// Where the cursor stands: the entry's num, "before" or "after". Moves the cursor.
QString where(Cursor& cursor)
{
    if (auto num = cursor.field(u"num"))
        return num->text;
    return cursor.moveNext() ? u"after"_s : u"before"_s;
}

} // namespace

class TestCursor : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void positionTable_data();
    void positionTable();
    void singleAndEmptyTables();
    void move();
    void queryTextsAsWritten();
    void tiesComeInStoredOrder();
    void recordCountIsExact();
    void fileNamedTables();
    void storeOnlyReads();
    void failuresNameTheCause();

private:
    QTemporaryDir m_dir;
    std::shared_ptr<Store> m_store;
};

void TestCursor::initTestCase()
{
    writeTextFile(m_dir.path(), u"PS.txt"_s, csv({ u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s }));
    writeTextFile(m_dir.path(), u"one/PS.txt"_s, csv({ u"seul"_s }));
    writeTextFile(m_dir.path(), u"empty/PS.txt"_s, "English,Frensh,num\n");
    m_store = openStore(m_dir.path());
}

void TestCursor::positionTable_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("failure");

    const struct {
        const char* start;
        const char* first;
        const char* previous;
        int previousFailure;
        const char* next;
        int nextFailure;
    } rows[] = {
        { "2", "0", "1", 0, "3", 0 },
        { "0", "0", "before", 0, "1", 0 },
        { "4", "0", "3", 0, "after", 0 },
        { "before", "0", "before", 3021, "0", 0 },
        { "after", "0", "4", 0, "after", 3021 },
    };
    for (const auto& row : rows) {
        const QString start = QString::fromLatin1(row.start);
        QTest::addRow("%s first", row.start) << start << u"first"_s << QString::fromLatin1(row.first) << 0;
        QTest::addRow("%s previous", row.start) << start << u"previous"_s << QString::fromLatin1(row.previous) << row.previousFailure;
        QTest::addRow("%s next", row.start) << start << u"next"_s << QString::fromLatin1(row.next) << row.nextFailure;
        QTest::addRow("%s last", row.start) << start << u"last"_s << u"4"_s << 0;
    }
}

void TestCursor::positionTable()
{
    QFETCH(QString, start);
    QFETCH(QString, operation);
    QFETCH(QString, expected);
    QFETCH(int, failure);

    Cursor cursor(m_store);
    cursor.setRecordSource(u"select * from PS order by Frensh"_s);
    QVERIFY(!cursor.refresh());
    if (start == u"before") {
        QVERIFY(!cursor.movePrevious());
    } else if (start == u"after") {
        QVERIFY(!cursor.moveLast());
        QVERIFY(!cursor.moveNext());
    } else {
        QVERIFY(!cursor.move(start.toInt()));
    }

    Outcome outcome;
    if (operation == u"first")
        outcome = cursor.moveFirst();
    else if (operation == u"previous")
        outcome = cursor.movePrevious();
    else if (operation == u"next")
        outcome = cursor.moveNext();
    else
        outcome = cursor.moveLast();
    QCOMPARE(failureNumber(outcome), failure);
    if (expected == u"before" || expected == u"after")
        QCOMPARE(failureNumber(cursor.field(u"English") ? Outcome() : cursor.field(u"English").failure()), 3021);
    QCOMPARE(where(cursor), expected);
}

void TestCursor::singleAndEmptyTables()
{
    Cursor single(openStore(m_dir.filePath(u"one"_s)));
    single.setRecordSource(u"select * from PS order by Frensh"_s);
    QVERIFY(!single.refresh());
    QVERIFY(!single.movePrevious());
    QCOMPARE(where(single), u"before"_s);
    QCOMPARE(single.field(u"num")->text, u"0"_s); // from before the first, the next entry is the only one
    QVERIFY(!single.moveNext());
    QCOMPARE(failureNumber(single.field(u"num").ok() ? Outcome() : single.field(u"num").failure()), 3021);

    Cursor empty(openStore(m_dir.filePath(u"empty"_s)));
    empty.setRecordSource(u"PS"_s);
    QVERIFY(!empty.refresh());
    QCOMPARE(*empty.recordCount(), 0);
    QCOMPARE(*empty.hasEntries(), false);
    for (Outcome outcome : { empty.moveFirst(), empty.moveLast(), empty.moveNext(), empty.movePrevious(), empty.move(0) })
        QCOMPARE(failureNumber(outcome), 3021);
    QCOMPARE(empty.field(u"English").failure().number, 3021);
}

void TestCursor::move()
{
    Cursor cursor(m_store);
    cursor.setRecordSource(u"select * from PS order by Frensh"_s);
    QVERIFY(!cursor.refresh());
    QVERIFY(!cursor.move(0));
    QCOMPARE(cursor.field(u"num")->text, u"0"_s);
    QVERIFY(!cursor.move(3));
    QCOMPARE(cursor.field(u"num")->text, u"3"_s);
    QVERIFY(!cursor.move(1));
    QCOMPARE(cursor.field(u"num")->text, u"4"_s);
    // Past the last entry: no failure, no current entry, and one step back is the last entry.
    QVERIFY(!cursor.moveFirst());
    QVERIFY(!cursor.move(2147483647));
    QCOMPARE(cursor.field(u"num").failure().number, 3021);
    QVERIFY(!cursor.movePrevious());
    QCOMPARE(cursor.field(u"num")->text, u"4"_s);
    // The count is taken from the current entry; with none there is nothing to count from.
    QVERIFY(!cursor.moveNext());
    QCOMPARE(failureNumber(cursor.move(1)), 3021);
}

void TestCursor::queryTextsAsWritten()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"PS.txt"_s,
                  "English,Frensh,num\n"
                  "state,état,0\nanxiety,anxiété,1\nanxiety,ANXIÉTÉ (2),2\nfear,peur,3\nfear,crainte,4\nthe child,l'enfant,5\n");
    auto store = openStore(dir.path());
    const auto run = [&](const QString& query, const QString& field) {
        Cursor cursor(store);
        cursor.setRecordSource(query);
        if (auto failure = cursor.refresh())
            qFatal("%s", qPrintable(failure->description));
        return column(cursor, field);
    };
    QCOMPARE(run(u"select * from PS order by Frensh"_s, u"num"_s), (QStringList { u"1"_s, u"2"_s, u"4"_s, u"0"_s, u"5"_s, u"3"_s }));
    QCOMPARE(run(u"PS"_s, u"num"_s), (QStringList { u"0"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s }));
    QCOMPARE(run(u"select * from PS "_s, u"num"_s).size(), 6);
    QCOMPARE(run(u"select * from Ps where [Frensh] = 'ANXIETE' order by frensh "_s, u"Frensh"_s), QStringList { u"anxiété"_s });
    QCOMPARE(run(u"select * from Ps where [Frensh] = 'l''enfant' order by frensh "_s, u"num"_s), QStringList { u"5"_s });
    QCOMPARE(run(u"select * from Ps where [English] = 'FEAR'"_s, u"Frensh"_s), (QStringList { u"peur"_s, u"crainte"_s }));
    QCOMPARE(run(u"select * from Ps where [Frensh] Between 'anx *'  and 'anxz*' order by Frensh ASC "_s, u"num"_s),
             (QStringList { u"1"_s, u"2"_s }));
    QCOMPARE(run(u"select * from Ps where [English] Between 'f *'  and 'fz*' order by English ASC "_s, u"num"_s),
             (QStringList { u"3"_s, u"4"_s }));
    // Between is inclusive and compares with the same ordering as equality.
    QCOMPARE(run(u"select * from Ps where [Frensh] Between 'PEUR'  and 'peur' order by Frensh ASC "_s, u"num"_s), QStringList { u"3"_s });
}

void TestCursor::tiesComeInStoredOrder()
{
    // Enough rows that the engine weighs sorting against the index; equal terms (case and
    // accents aside) must keep their stored order either way.
    QStringList terms;
    for (int i = 0; i < 3000; ++i)
        terms.append(QStringList { u"Été"_s, u"ete"_s, u"ÉTÉ"_s, u"b"_s, u"A"_s }[i % 5] + (i % 7 == 0 ? QString() : u" x"_s));
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"PS.txt"_s, csv(terms));
    Cursor cursor(openStore(dir.path()));
    cursor.setRecordSource(u"select * from PS order by Frensh"_s);
    QVERIFY(!cursor.refresh());
    QString previousTerm;
    int previousNum = -1;
    for (Outcome step = cursor.moveFirst(); !step && cursor.onEntry(); step = cursor.moveNext()) {
        const QString term = cursor.field(u"Frensh")->text;
        const int num = cursor.field(u"num")->text.toInt();
        if (!previousTerm.isNull() && term.compare(previousTerm, Qt::CaseInsensitive) == 0)
            QVERIFY2(num > previousNum, qPrintable(u"%1 (%2) after %3"_s.arg(term).arg(num).arg(previousNum)));
        previousTerm = term;
        previousNum = num;
    }
}

void TestCursor::recordCountIsExact()
{
    QStringList terms;
    for (int i = 0; i < 2500; ++i)
        terms.append(u"mot%1"_s.arg(i, 4, 10, QChar(u'0')));
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"PS.txt"_s, csv(terms));
    Cursor cursor(openStore(dir.path()));
    cursor.setRecordSource(u"select * from Ps where [Frensh] Between 'mot1 *'  and 'mot1z*' order by Frensh ASC "_s);
    QVERIFY(!cursor.refresh());
    QCOMPARE(*cursor.recordCount(), 1000);
    QCOMPARE(cursor.field(u"Frensh")->text, u"mot1000"_s); // counting does not move the cursor
    cursor.setRecordSource(u"select * from Ps where [Frensh] = 'absent'"_s);
    QVERIFY(!cursor.refresh());
    QCOMPARE(*cursor.recordCount(), 0);
    QCOMPARE(cursor.field(u"Frensh").failure().number, 3021);
}

void TestCursor::fileNamedTables()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"P1.TXT"_s, "a,b\n1,2\n3,4\n");
    writeTextFile(dir.path(), u"PS.txt"_s, csv({ u"x"_s }));
    Cursor cursor(openStore(dir.path()));
    cursor.setRecordSource(u"select * from p1.txt"_s);
    QVERIFY(!cursor.refresh());
    QCOMPARE(column(cursor, u"b"_s), (QStringList { u"2"_s, u"4"_s }));
    cursor.setRecordSource(u"select * from PS"_s); // a second table on the same connection
    QVERIFY(!cursor.refresh());
    QCOMPARE(*cursor.recordCount(), 1);
}

void TestCursor::storeOnlyReads()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"PS.txt"_s, csv({ u"a"_s, u"b"_s }));
    const auto listing = [&] {
        QStringList files;
        for (QDirIterator it(dir.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories); it.hasNext();) {
            const QFileInfo info(it.next());
            files.append(info.fileName() + u' ' + QString::number(info.size()) + u' ' + info.lastModified().toString(Qt::ISODateWithMs));
        }
        return files;
    };
    const QStringList before = listing();
    Cursor cursor(openStore(dir.path()));
    cursor.setRecordSource(u"PS"_s);
    QVERIFY(!cursor.refresh());
    const QString attempts[] = {
        u"delete from PS"_s,
        u"insert into PS values ('x', 'y', 9)"_s,
        u"drop table PS"_s,
        u"attach database '"_s + dir.filePath(u"new.db"_s) + u"' as x"_s,
        u"select * from PS; delete from PS"_s,
        u"pragma query_only = 0"_s,
    };
    for (const QString& query : attempts) {
        cursor.setRecordSource(query);
        const Outcome failure = cursor.refresh();
        QVERIFY2(failure, qPrintable(query));
        QCOMPARE(failure->number, int(FailureNumber::QueryFailed));
        // A cursor whose query failed is closed and says why.
        QCOMPARE(cursor.moveFirst()->number, int(FailureNumber::CursorClosed));
    }
    cursor.setRecordSource(u"PS"_s);
    QVERIFY(!cursor.refresh());
    QCOMPARE(*cursor.recordCount(), 2);
    QCOMPARE(listing(), before);
}

void TestCursor::failuresNameTheCause()
{
    Cursor cursor(m_store);
    cursor.setRecordSource(u"select * from Ps where [Frensh] = 'a"_s + QChar(0) + u"' or 1=1 --'"_s);
    auto failure = cursor.refresh();
    QVERIFY(failure && failure->description.contains(u"NUL character at position 37"_s));
    cursor.setRecordSource(u"select * from Ps where [Frensh] = '"_s + QChar(0xD800) + u"'"_s);
    failure = cursor.refresh();
    QVERIFY(failure && failure->description.contains(u"unpaired surrogate"_s));

    cursor.setRecordSource(u"select * from Missing"_s);
    failure = cursor.refresh();
    QCOMPARE(failure->number, int(FailureNumber::FileNotFound));
    QVERIFY2(failure->description.contains(u"Missing.txt"_s), qPrintable(failure->description));

    cursor.setRecordSource(u"select * from PS"_s);
    QVERIFY(!cursor.refresh());
    QCOMPARE(cursor.field(u"Nothing").failure().number, int(FailureNumber::FieldNotFound));

    Cursor closed(Failure { 3024, u"cannot find the connection file /x/d0.UDL"_s });
    QCOMPARE(closed.moveFirst()->number, int(FailureNumber::CursorClosed));
    QVERIFY(closed.moveFirst()->description.contains(u"/x/d0.UDL"_s));
}

QTEST_GUILESS_MAIN(TestCursor)
#include "tst_cursor.moc"
