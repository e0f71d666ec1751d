#include <QDirIterator>
#include <QTest>

#include <sqlite3.h>
#include <sys/stat.h>

#include "connectiondescription.h"
#include "cursor.h"
#include "sqlitefunctions.h"
#include "storefactory.h"
#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

std::shared_ptr<Store> openStore(const QString& tableDir)
{
    auto description = ConnectionDescription::parse(u"Provider=text"_s, u"test.UDL"_s, tableDir);
    if (!description)
        qFatal("%s", qPrintable(description.failure().description));
    auto store = openStore(*description);
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
    for (Outcome step = cursor.moveFirst(); step.ok() && cursor.onEntry(); step = cursor.moveNext())
        values.append(cursor.field(name)->text);
    return values;
}

int failureNumber(const Outcome& outcome)
{
    return outcome ? 0 : outcome.failure().number;
}

} // namespace

class TestCursor : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void emptyTable();
    void move();
    void queryTextsAsWritten();
    void tiesComeInStoredOrder();
    void recordCountIsExact();
    void fileNamedTables();
    void storeOnlyReads();
    void failuresNameTheCause();
    void aFailedLoadLeavesNothingBehind();
    void farJumpsAgreeWithStepping();
    void resultsOutliveTheirStore();
    void quotedColumnNames();
    void tableThatIsAPipe();
    void valuesOfEveryKindGoIn();

private:
    QTemporaryDir m_dir;
    std::shared_ptr<Store> m_store;
};

void TestCursor::initTestCase()
{
    writeTextFile(m_dir.path(), u"PS.txt"_s, csv({ u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s }));
    writeTextFile(m_dir.path(), u"empty/PS.txt"_s, "English,Frensh,num\n");
    m_store = openStore(m_dir.path());
}

// The position table itself is walked through the navigation operations; here, what only
// the cursor shows.
void TestCursor::emptyTable()
{
    Cursor empty(openStore(m_dir.filePath(u"empty"_s)));
    empty.setRecordSource(u"PS"_s);
    QVERIFY(empty.refresh());
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
    QVERIFY(cursor.refresh());
    QVERIFY(cursor.move(0));
    QCOMPARE(cursor.field(u"num")->text, u"0"_s);
    QVERIFY(cursor.move(3));
    QCOMPARE(cursor.field(u"num")->text, u"3"_s);
    QVERIFY(cursor.move(1));
    QCOMPARE(cursor.field(u"num")->text, u"4"_s);
    // Past the last entry: no failure, no current entry, and one step back is the last entry.
    QVERIFY(cursor.moveFirst());
    QVERIFY(cursor.move(2147483647));
    QCOMPARE(cursor.field(u"num").failure().number, 3021);
    QVERIFY(cursor.movePrevious());
    QCOMPARE(cursor.field(u"num")->text, u"4"_s);
    // The count is taken from the current entry; with none there is nothing to count from.
    QVERIFY(cursor.moveNext());
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
        if (auto done = cursor.refresh(); !done)
            qFatal("%s", qPrintable(done.failure().description));
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
    QVERIFY(cursor.refresh());
    QString previousTerm;
    int previousNum = -1;
    for (Outcome step = cursor.moveFirst(); step.ok() && cursor.onEntry(); step = cursor.moveNext()) {
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
    QVERIFY(cursor.refresh());
    QCOMPARE(*cursor.recordCount(), 1000);
    QCOMPARE(cursor.field(u"Frensh")->text, u"mot1000"_s); // counting does not move the cursor
    cursor.setRecordSource(u"select * from Ps where [Frensh] = 'absent'"_s);
    QVERIFY(cursor.refresh());
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
    QVERIFY(cursor.refresh());
    QCOMPARE(column(cursor, u"b"_s), (QStringList { u"2"_s, u"4"_s }));
    cursor.setRecordSource(u"select * from PS"_s); // a second table on the same connection
    QVERIFY(cursor.refresh());
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
    QVERIFY(cursor.refresh());
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
        QVERIFY2(!failure, qPrintable(query));
        QCOMPARE(failure.failure().number, int(FailureNumber::QueryFailed));
        // A cursor whose query failed is closed and says why.
        QCOMPARE(cursor.moveFirst().failure().number, int(FailureNumber::CursorClosed));
    }
    cursor.setRecordSource(u"PS"_s);
    QVERIFY(cursor.refresh());
    QCOMPARE(*cursor.recordCount(), 2);
    QCOMPARE(listing(), before);
}

void TestCursor::failuresNameTheCause()
{
    Cursor cursor(m_store);
    cursor.setRecordSource(u"select * from Ps where [Frensh] = 'a"_s + QChar(0) + u"' or 1=1 --'"_s);
    auto failure = cursor.refresh();
    QVERIFY(!failure && failure.failure().description.contains(u"NUL character at position 37"_s));
    cursor.setRecordSource(u"select * from Ps where [Frensh] = '"_s + QChar(0xD800) + u"'"_s);
    failure = cursor.refresh();
    QVERIFY(!failure && failure.failure().description.contains(u"unpaired surrogate"_s));

    cursor.setRecordSource(u"select * from Missing"_s);
    failure = cursor.refresh();
    QCOMPARE(failure.failure().number, int(FailureNumber::FileNotFound));
    QVERIFY2(failure.failure().description.contains(u"Missing.txt"_s), qPrintable(failure.failure().description));

    cursor.setRecordSource(u"select * from PS"_s);
    QVERIFY(cursor.refresh());
    QCOMPARE(cursor.field(u"Nothing").failure().number, int(FailureNumber::FieldNotFound));

    Cursor closed(Failure { 3024, u"cannot find the connection file /x/d0.UDL"_s });
    QCOMPARE(closed.moveFirst().failure().number, int(FailureNumber::CursorClosed));
    QVERIFY(closed.moveFirst().failure().description.contains(u"/x/d0.UDL"_s));
}

void TestCursor::aFailedLoadLeavesNothingBehind()
{
    // Tables whose names the index and the ordering of PS would take: PS then fails to load
    // at that step, and must leave no transaction, table or definition behind.
    for (const QString& taken : { u"PS_English"_s, u"PS$order$English"_s }) {
        QTemporaryDir dir;
        const QString tables = dir.filePath(u"tables"_s);
        writeTextFile(tables, taken + u".txt"_s, "a\n1\n");
        writeTextFile(tables, u"PS.txt"_s, csv({ u"x"_s }));
        writeTextFile(tables, u"Other.txt"_s, "b\n2\n");
        writeTextFile(dir.path(), u"outside"_s, "c\n3\n");
        auto store = openStore(tables);
        store->setIndexedColumns({ u"English"_s });
        Cursor cursor(store);
        cursor.setRecordSource(u"select * from ["_s + taken + u']');
        QVERIFY(cursor.refresh());
        for (int attempt = 0; attempt < 2; ++attempt) {
            cursor.setRecordSource(u"select * from PS"_s);
            const Outcome failed = cursor.refresh();
            QVERIFY2(!failed && failed.failure().description.contains(u"already"_s), qPrintable(failed ? QString() : failed.failure().description));
        }
        cursor.setRecordSource(u"select * from Other"_s);
        QVERIFY2(cursor.refresh(), qPrintable(taken));
        QCOMPARE(column(cursor, u"b"_s), QStringList { u"2"_s });
        // A compiled copy holds what loaded, nothing of PS.
        const QString compiled = dir.filePath(u"compiled.sqlite"_s);
        QVERIFY(store->compileTo(compiled));
        sqlite3* database = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(compiled).constData(), &database, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        sqlite3_stmt* statement = nullptr;
        QCOMPARE(sqlite3_prepare_v2(database, "SELECT count(*) FROM sqlite_schema WHERE name = 'PS'", -1, &statement, nullptr), SQLITE_OK);
        QCOMPARE(sqlite3_step(statement), SQLITE_ROW);
        QCOMPARE(sqlite3_column_int(statement, 0), 0);
        sqlite3_finalize(statement);
        sqlite3_close(database);

        // A name that would reach a file out of the table directory is refused.
        for (const QString& name : { u"[../outside]"_s, u"[a/b]"_s, u"[..]"_s, u"[.hidden]"_s }) {
            cursor.setRecordSource(u"select * from "_s + name);
            const Outcome refused = cursor.refresh();
            QVERIFY2(!refused && refused.failure().number == FailureNumber::FileNotFound && refused.failure().description.contains(u"holds no /"_s), qPrintable(name));
        }
    }
}

namespace {

// Moves about a cursor by far jumps and checks every position against plain stepping.
void checkJumpsAgainstStepping(const std::shared_ptr<Store>& store, const QString& source)
{
    Cursor stepped(store);
    stepped.setRecordSource(source);
    QVERIFY(stepped.refresh());
    const QStringList order = column(stepped, u"num"_s);
    QVERIFY(order.size() > 15600);

    Cursor cursor(store);
    cursor.setRecordSource(source);
    QVERIFY(cursor.refresh());
    const auto at = [&cursor] { return cursor.onEntry() ? cursor.field(u"num"_s)->text : u"none"_s; };
    QCOMPARE(*cursor.recordCount(), order.size());
    QVERIFY(cursor.move(15000));
    QCOMPARE(at(), order[15000]);
    // Back across the start of the rows kept, and forward again.
    for (int i = 1; i <= 600; ++i) {
        QVERIFY(cursor.movePrevious());
        QCOMPARE(at(), order[15000 - i]);
    }
    QVERIFY(cursor.move(600));
    QCOMPARE(at(), order[15000]);
    QVERIFY(cursor.moveLast());
    QCOMPARE(at(), order.last());
    QCOMPARE(*cursor.hasEntries(), true);
    QVERIFY(cursor.moveFirst());
    QCOMPARE(at(), order.first());
    QVERIFY(cursor.move(12345));
    QCOMPARE(at(), order[12345]);
    QVERIFY(cursor.moveFirst());
    QVERIFY(cursor.move(25000)); // beyond the last: after it
    QVERIFY(!cursor.onEntry());
    QCOMPARE(failureNumber(cursor.moveNext()), 3021);
    QVERIFY(cursor.movePrevious());
    QCOMPARE(at(), order.last());
    QCOMPARE(*cursor.recordCount(), order.size());
}

} // namespace

void TestCursor::farJumpsAgreeWithStepping()
{
    // Large enough for the engine to skip rows; many ties, which must keep their stored order.
    QStringList terms;
    for (int i = 0; i < 20000; ++i)
        terms.append(u"terme %1"_s.arg((i * 7919) % 6000));
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"PS.txt"_s, csv(terms));
    auto store = openStore(dir.path());
    const QStringList sources { u"select * from PS order by Frensh"_s, u"PS"_s, u"select * from PS order by Frensh;  "_s,
                                u"select * from PS order by Frensh -- by term"_s, u"SELECT * FROM [ps] ORDER BY [frensh] ASC"_s };
    for (const QString& source : sources)
        checkJumpsAgainstStepping(store, source);

    // The same on the tables compiled into a database.
    const QString database = dir.filePath(u"compiled.sqlite"_s);
    QVERIFY(store->compileTo(database));
    ConnectionDescription description;
    description.file = u"test.UDL"_s;
    description.databaseFile = database;
    description.tableDirectory = dir.path();
    auto compiled = openStore(description);
    QVERIFY(compiled);
    for (const QString& source : sources)
        checkJumpsAgainstStepping(*compiled, source);

    // Changed under the store by another program: reorder terms, leave rowids with gaps.
    sqlite3* writer = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(database).constData(), &writer), SQLITE_OK);
    DictionaryCollation::registerWithSqlite(writer);
    QCOMPARE(sqlite3_exec(writer, "UPDATE PS SET Frensh = 'a ' || Frensh WHERE rowid % 7 = 0; DELETE FROM PS WHERE rowid % 11 = 0;"
                                  "INSERT INTO PS SELECT English, 'zz ' || Frensh, num FROM PS WHERE rowid % 13 = 0;",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);
    sqlite3_close(writer);
    for (const QString& source : sources)
        checkJumpsAgainstStepping(*compiled, source);
}

void TestCursor::resultsOutliveTheirStore()
{
    // The store registers its authorizer and ordering with the engine; a result still reading
    // after the store is gone must not call into it. 6,000 rows, so that counting and a far
    // row each prepare a new statement the engine authorizes and orders.
    QTemporaryDir dir;
    QList<QPair<QString, QString>> pairs;
    for (int i = 0; i < 6000; ++i)
        pairs.append({ u"en%1"_s.arg(i, 4, 10, QChar(u'0')), u"fr%1"_s.arg(5999 - i, 4, 10, QChar(u'0')) });
    writeDictionary(dir.path(), numbered(pairs), {});
    auto store = openStore(dir.filePath(u"fr"_s));
    auto result = store->execute(u"select * from PS order by Frensh"_s);
    QVERIFY(result);
    const std::weak_ptr<Store> watched = store;
    store.reset();
    QVERIFY(watched.expired());

    QueryResult& rows = **result;
    QCOMPARE(*rows.rowCount(), 6000);
    QVERIFY(*rows.hasRow(5999));
    QCOMPARE(rows.value(5999, rows.columnIndex(u"Frensh")).text, u"fr5999"_s);
    QVERIFY(*rows.hasRow(0)); // back before the rows kept: another statement
    QCOMPARE(rows.value(0, rows.columnIndex(u"Frensh")).text, u"fr0000"_s);
}

void TestCursor::quotedColumnNames()
{
    // A dictionary table whose header quotes its names: the blanks inside the quotes stay, so
    // the queries name the columns with them.
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"PS.txt"_s, "\"English \",\" Frensh\",\"num\"\nfear,peur,0\n");
    Cursor cursor(openStore(dir.path()));
    cursor.setRecordSource(u"select [English ], [ Frensh] from PS"_s);
    QVERIFY(cursor.refresh());
    QCOMPARE(cursor.field(u"English ")->text, u"fear"_s);
    QCOMPARE(cursor.field(u" Frensh")->text, u"peur"_s);
    cursor.setRecordSource(u"select * from PS"_s);
    QVERIFY(cursor.refresh());
    QCOMPARE(cursor.field(u"English").failure().number, int(FailureNumber::FieldNotFound));
}

void TestCursor::tableThatIsAPipe()
{
    QTemporaryDir dir;
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(u"PS.txt"_s)).constData(), 0600) == 0);
    Cursor cursor(openStore(dir.path()));
    cursor.setRecordSource(u"select * from PS"_s);
    const Outcome opened = cursor.refresh();
    QVERIFY(!opened);
    QCOMPARE(opened.failure().number, int(FailureNumber::CannotReadFile));
    QCOMPARE(opened.failure().description, u"cannot read "_s + dir.filePath(u"PS.txt"_s) + u": it is not a regular file but a named pipe (FIFO)"_s);
}

void TestCursor::valuesOfEveryKindGoIn()
{
    // Rows go in many to a statement: two whole statements and a part of one, with texts,
    // whole and real numbers and missing values in each, must all come back in their places.
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"schema.ini"_s, "[PS.txt]\nColNameHeader=True\nCol1=Frensh Text\nCol2=num Integer\nCol3=weight Double\n");
    QByteArray table = "Frensh,num,weight\n";
    for (int i = 0; i < 130; ++i)
        table += (i % 5 ? "\"t" + QByteArray::number(i) + ", \"\"q\"\"\"" : QByteArray()) + ',' + (i % 7 ? QByteArray::number(-i) : QByteArray()) + ','
            + QByteArray::number(i / 4.0) + '\n';
    writeTextFile(dir.path(), u"PS.txt"_s, table);
    Cursor cursor(openStore(dir.path()));
    cursor.setRecordSource(u"PS"_s);
    QVERIFY(cursor.refresh());
    QCOMPARE(*cursor.recordCount(), 130);
    int row = 0;
    for (Outcome step = cursor.moveFirst(); step.ok() && cursor.onEntry(); step = cursor.moveNext(), ++row) {
        const FieldValue term = *cursor.field(u"Frensh");
        QCOMPARE(term.null, row % 5 == 0);
        if (!term.null)
            QCOMPARE(term.text, u"t%1, \"q\""_s.arg(row));
        QCOMPARE(cursor.field(u"num")->null, row % 7 == 0);
        if (row % 7)
            QCOMPARE(cursor.field(u"num")->text, QString::number(-row));
        QCOMPARE(cursor.field(u"weight")->text.toDouble(), row / 4.0);
    }
    QCOMPARE(row, 130);
}

QTEST_GUILESS_MAIN(TestCursor)
#include "tst_cursor.moc"
