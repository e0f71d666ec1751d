// A data directory's dictionary published on a real PostgreSQL server, started for the test.
#include <thread>
#include <tuple>

#include <QProcess>
#include <QTest>

#include "connectiondescription.h"
#include "pgserver.h"
#include "publication.h"
#include "serverconnection.h"
#include "serverindex.h"
#include "termindex.h"
#include "store.h"
#include "storefactory.h"
#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using Run = ProgramRun;

Run runTool(const QStringList& arguments)
{
    return runProgram(QStringLiteral(TABLES_TOOL), arguments);
}

// One column of a record source on a data directory's text tables, a value a line.
QString column(const QString& dataDirectory, const QString& connectionFile, const QString& recordSource, const QString& name)
{
    auto description = ConnectionDescription::read(QDir(dataDirectory).filePath(connectionFile), dataDirectory);
    if (!description)
        return description.failure().description;
    auto store = openStore(*description);
    if (!store)
        return store.failure().description;
    auto result = (*store)->execute(recordSource);
    if (!result)
        return result.failure().description;
    QStringList values;
    const int index = (*result)->columnIndex(name);
    for (qsizetype row = 0;; ++row) {
        const auto more = (*result)->hasRow(row);
        if (!more || !*more)
            break;
        values.append((*result)->value(row, index).text);
    }
    return values.join(u'\n') + u'\n';
}

} // namespace

class TestPublish : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void tablesInTheProgramsOrder();
    void checkedOnTheServer();
    void readersSeeOneDictionaryOrTheOther();
    void refusals();
    void serverSearchAgreesWithTheProgramsIndex();

private:
    std::unique_ptr<PgServer> m_server;
    QTemporaryDir m_dir;
    QString m_sample;
    // The bundled dictionary's entries in each direction, counted from the tables built.
    QString m_french;
    QString m_english;
};

void TestPublish::initTestCase()
{
    m_server = std::make_unique<PgServer>();
    QVERIFY2(m_server->problem().isEmpty(), qPrintable(m_server->problem()));
    m_sample = m_dir.filePath(u"sample"_s);
    QCOMPARE(runTool({ u"build"_s, QStringLiteral(SAMPLE_TERMS), m_sample }).exitCode, 0);
    for (const auto& [folder, count] : { std::pair { u"fr-en"_s, &m_french }, std::pair { u"en-fr"_s, &m_english } }) {
        QFile table(m_sample + u'/' + folder + u"/PS.txt"_s);
        QVERIFY(table.open(QIODevice::ReadOnly));
        *count = QString::number(table.readAll().count('\n') - 1);
    }
}

void TestPublish::tablesInTheProgramsOrder()
{
    const Run run = runTool({ u"publish"_s, m_sample, m_server->connection() });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.output, u"%1 French-to-English and %2 English-to-French entries published to database postgres on %3, port %4 (schemas fr_en and en_fr)\n"_s.arg(m_french, m_english)
                             .arg(m_server->socketFolder())
                             .arg(m_server->port()));
    // The key column orders as the program does, ties in stored order; the stored order is the
    // table's own; every column comes over as it is.
    QCOMPARE(m_server->psql(u"SELECT frensh FROM fr_en.ps ORDER BY key, stored"_s), column(m_sample, u"d0.UDL"_s, u"select * from PS order by Frensh"_s, u"Frensh"_s));
    QCOMPARE(m_server->psql(u"SELECT english FROM en_fr.ps ORDER BY key, stored"_s), column(m_sample, u"d2.UDL"_s, u"select * from PS order by English"_s, u"English"_s));
    // place numbers that order from 0, as the window's cursor counts positions.
    QCOMPARE(m_server->psql(u"SELECT frensh FROM fr_en.ps ORDER BY place"_s), m_server->psql(u"SELECT frensh FROM fr_en.ps ORDER BY key, stored"_s));
    QCOMPARE(m_server->psql(u"SELECT count(*), min(place), max(place) FROM en_fr.ps"_s), u"%1|0|%2\n"_s.arg(m_english).arg(m_english.toInt() - 1));
    for (const auto& [schema, udl] : { std::pair { u"fr_en"_s, u"d0.UDL"_s }, std::pair { u"en_fr"_s, u"d2.UDL"_s } }) {
        for (const QString& name : { u"English"_s, u"Frensh"_s, u"num"_s, u"Subfield"_s, u"Label"_s, u"Grammar"_s, u"TranslationGrammar"_s, u"DefinitionFr"_s,
                                     u"DefinitionEn"_s, u"Notes"_s, u"Related"_s })
            QCOMPARE(m_server->psql(u"SELECT coalesce(%1::text, '') FROM %2.ps ORDER BY stored"_s.arg(name.toLower(), schema)), column(m_sample, udl, u"PS"_s, name));
    }
    // What the window's searches need is indexed.
    QCOMPARE(m_server->psql(u"SELECT string_agg(indexdef, E'\\n' ORDER BY indexdef) FROM pg_indexes WHERE schemaname = 'fr_en' AND tablename = 'ps'"_s).count(u"USING btree"_s), 4);
}

void TestPublish::checkedOnTheServer()
{
    QCOMPARE(runTool({ u"publish"_s, m_sample, m_server->connection() }).exitCode, 0);
    // The server's browse orders give what the text tables give, entry for entry.
    QString local = runTool({ u"check"_s, m_sample }).output;
    local.replace(u"d0.UDL ("_s, u"fr_en.ps ("_s).replace(u"d2.UDL ("_s, u"en_fr.ps ("_s).remove(u"  the connection file's Letter Starts agree with the table\n"_s);
    Run server = runTool({ u"check"_s, u"--server"_s, m_server->connection() });
    QCOMPARE(server.exitCode, 0);
    QCOMPARE(server.output, local);
    QVERIFY(server.output.contains(u"  %1 entries, 0 with a wrong num\n"_s.arg(m_french)));

    QCOMPARE(m_server->psql(u"UPDATE fr_en.ps SET num = 99 WHERE stored = 3; UPDATE en_fr.ps SET num = NULL WHERE stored = 0"_s), QString());
    server = runTool({ u"check"_s, u"--server"_s, m_server->connection() });
    QCOMPARE(server.exitCode, 1);
    QVERIFY2(server.output.contains(u"  position 3: num is 99: abandon scolaire\n"_s), qPrintable(server.output));
    QVERIFY2(server.output.contains(u"  %1 entries, 1 with a wrong num\n"_s.arg(m_french)), qPrintable(server.output));
    QVERIFY2(server.output.contains(u"  position 0: num is empty"_s), qPrintable(server.output));

    server = runTool({ u"check"_s, u"--server"_s, m_server->connection(u"template1"_s) });
    QCOMPARE(server.exitCode, 2);
    QVERIFY2(server.output.startsWith(u"fr_en.ps (French to English, by Frensh):\n  cannot read: the server refused \"SELECT frensh"_s), qPrintable(server.output));
    QVERIFY2(server.output.contains(u"relation \"fr_en.ps\" does not exist"_s), qPrintable(server.output));
}

void TestPublish::readersSeeOneDictionaryOrTheOther()
{
    QCOMPARE(runTool({ u"publish"_s, m_sample, m_server->connection() }).exitCode, 0);
    QCOMPARE(m_server->psql(u"CREATE ROLE reader LOGIN; GRANT USAGE ON SCHEMA fr_en, en_fr TO reader; GRANT SELECT ON fr_en.ps, en_fr.ps TO reader"_s), QString());
    const QString small = m_dir.filePath(u"small"_s);
    writeTextFile(m_dir.path(), u"small.csv"_s, "French,English\npeur,fear\n");
    QCOMPARE(runTool({ u"build"_s, m_dir.filePath(u"small.csv"_s), small }).exitCode, 0);

    // A reader in the middle of a transaction when the new dictionary comes: it goes on reading
    // the old one, the publication waits for it, and the next transaction sees the new one.
    auto reader = ServerConnection::open(m_server->connection(u"postgres"_s, u"reader"_s));
    QVERIFY2(reader, qPrintable(reader ? QString() : reader.failure().description));
    const auto count = [&reader](const QByteArray& table) {
        auto rows = (*reader)->rows("SELECT count(*) FROM " + table);
        return rows ? rows->front().front() : rows.failure().description;
    };
    QVERIFY((*reader)->execute("BEGIN ISOLATION LEVEL REPEATABLE READ"));
    QCOMPARE(count("fr_en.ps"), m_french);
    Result<Publish::Published> published = Failure { 0, u"not run"_s };
    std::thread publishing([&] { published = Publication::publish(small, m_server->connection()); });
    // The publication has its new tables ready and waits for the reader to let go of the old.
    QTRY_COMPARE_WITH_TIMEOUT(m_server->psql(u"SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock'"_s), u"1\n"_s, 10000);
    QCOMPARE(count("fr_en.ps"), m_french);
    QCOMPARE(count("en_fr.ps"), m_english);
    QCOMPARE(m_server->psql(u"SELECT count(*) FROM en_fr.ps"_s, u"reader"_s), m_english + u'\n'); // another session: the old one whole
    QVERIFY((*reader)->execute("COMMIT"));
    publishing.join();
    QVERIFY2(published, qPrintable(published ? QString() : published.failure().description));
    QCOMPARE(published->frenchToEnglish, 1);
    QCOMPARE(count("fr_en.ps"), u"1"_s);
    QCOMPARE(count("en_fr.ps"), u"1"_s); // and the reader may still read it
}

void TestPublish::refusals()
{
    QCOMPARE(runTool({ u"publish"_s, m_sample, m_server->connection() }).exitCode, 0);
    // No server where the string points: said at once, with libpq's reason.
    QTemporaryDir empty;
    const QString nowhere = u"host=%1 port=5 user=evelmora"_s.arg(empty.path());
    Run run = runTool({ u"publish"_s, m_sample, nowhere });
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.output.startsWith(u"cannot connect to the server (%1): connection to server on socket \"%2/.s.PGSQL.5\" failed: No such file or directory"_s.arg(nowhere, empty.path())),
             qPrintable(run.output));

    // A table that cannot be published leaves the server's dictionary as it was.
    const QString broken = m_dir.filePath(u"broken"_s);
    writeTextFile(broken, u"d0.UDL"_s, "[oledb]\nProvider=text;Data Source=t\n");
    writeTextFile(broken, u"d2.UDL"_s, "[oledb]\nProvider=text;Data Source=t\n");
    writeTextFile(broken + u"/t"_s, u"PS.txt"_s, "English,Frensh,num\nfear,peur,0\nanxiety,anxiété,one\n");
    run = runTool({ u"publish"_s, broken, m_server->connection() });
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.output, broken + u"/d0.UDL: row 2 has the num \"one\", not a whole number\n"_s);
    QCOMPARE(m_server->psql(u"SELECT count(*) FROM fr_en.ps"_s), m_french + u'\n');

    // A password given in the string is never shown, whichever command fails with it.
    QCOMPARE(m_server->psql(u"CREATE ROLE keeper LOGIN PASSWORD 'kept secret'"_s), QString());
    QCOMPARE(m_server->authenticateFirst("local all keeper scram-sha-256"), QString());
    for (const QString& connection : QStringList { m_server->connection(u"postgres"_s, u"keeper"_s) + u" password=WrongPw-99"_s,
                                       u"postgresql://keeper:WrongPw-99@/postgres?host=%1&port=%2"_s.arg(m_server->socketFolder()).arg(m_server->port()),
                                       u"host=%1 port=5 password='Wrong Pw-99'"_s.arg(empty.path()) }) {
        for (const QStringList& command : { QStringList { u"publish"_s, m_sample, connection }, QStringList { u"check"_s, u"--server"_s, connection } }) {
            run = runTool(command);
            QCOMPARE(run.exitCode, 2);
            QVERIFY2(run.output.contains(u"cannot connect to the server ("_s) && !run.output.contains(u"Pw-99"_s), qPrintable(run.output));
        }
    }

    run = runTool({ u"publish"_s, m_dir.filePath(u"missing"_s), m_server->connection() });
    QCOMPARE(run.output, m_dir.filePath(u"missing"_s) + u": no such data directory\n"_s);
    run = runTool({ u"publish"_s, m_sample, m_server->connection(u"nosuchdatabase"_s) });
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.output.contains(u"database \"nosuchdatabase\" does not exist"_s), qPrintable(run.output));
}

// The search table publish keeps, searched by the server's own full-text search, finds what the
// program's own index finds on the same tables.
void TestPublish::serverSearchAgreesWithTheProgramsIndex()
{
    QCOMPARE(runTool({ u"publish"_s, m_sample, m_server->connection() }).exitCode, 0);
    for (const auto& [french, udl, field] : { std::tuple { true, u"d0.UDL"_s, u"Frensh"_s }, std::tuple { false, u"d2.UDL"_s, u"English"_s } }) {
        auto onServer = ServerSearchIndex::open(m_server->connection(), french);
        QVERIFY2(onServer, onServer ? "" : qPrintable(onServer.failure().description));
        auto description = ConnectionDescription::read(QDir(m_sample).filePath(udl), m_sample);
        auto store = openStore(*description);
        QVERIFY(store);
        auto rows = (*store)->execute(u"SELECT * FROM Ps ORDER BY [%1]"_s.arg(field));
        QVERIFY(rows);
        auto local = TermIndex::build(**rows, field);
        QVERIFY(local);
        for (const QString& text : { u"anx"_s, u"withdrawal"_s, u"trouble obs"_s, u"l'oedipe"_s, u"MÉMOIRE"_s, u"a"_s, u"zzqq"_s, u"dépressions"_s,
                                     u"fear of"_s, u"16"_s }) {
            auto there = (*onServer)->search(text, 10000);
            auto here = (*local)->search(text, 10000);
            QVERIFY2(there && here, qPrintable(text));
            QCOMPARE(there->beginning, here->beginning);
            // The program's own puts a translation that is the text itself first: compare sets.
            for (auto [a, b] : { std::pair { there->translated, here->translated }, std::pair { there->containing, here->containing } }) {
                a.sort();
                b.sort();
                QVERIFY2(a == b, qPrintable(text + u": "_s + QString::number(a.size()) + u" / "_s + QString::number(b.size())));
            }
        }
    }
    // A reader who may read the table but not the search cannot open it: the view then indexes
    // the rows itself.
    QCOMPARE(m_server->psql(u"DROP ROLE IF EXISTS plain; CREATE ROLE plain LOGIN; GRANT USAGE ON SCHEMA fr_en TO plain; GRANT SELECT ON fr_en.ps TO plain"_s), QString());
    QVERIFY(!ServerSearchIndex::open(m_server->connection(u"postgres"_s, u"plain"_s), true));
}

QTEST_GUILESS_MAIN(TestPublish)
#include "tst_publish.moc"
