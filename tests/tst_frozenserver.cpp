// A dictionary window and the tool reading a server that stops answering: its processes
// stopped behind open connections, or its table locked by another session.
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QTest>

#include "dictionarywindow.h"
#include "direction.h"
#include "pgserver.h"
#include "qtplatform.h"
#include "serverconnection.h"
#include "testservices.h"
#include "testsupport.h"
#include "windowdata.h"

using namespace Qt::Literals::StringLiterals;

class TestFrozenServer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void typingGoesOnWhileTheServerIsStopped();
    void theToolGivesUpWithTheCause();
    void aLockedTableIsSaidOnce();

private:
    std::unique_ptr<PgServer> m_server;
    QTemporaryDir m_dir;
    QString m_tcp;    // a desktop's data directory reading the server over TCP
    QString m_socket; // and over its Unix socket
};

void TestFrozenServer::initTestCase()
{
    installFontSubstitutions();
    m_server = std::make_unique<PgServer>(true);
    QVERIFY2(m_server->problem().isEmpty(), qPrintable(m_server->problem()));
    const QString local = m_dir.filePath(u"local"_s);
    QList<QPair<QString, QString>> pairs;
    for (const auto& [english, french] : { std::pair { u"anxiety"_s, u"anxiété"_s }, { u"separation anxiety"_s, u"anxiété de séparation"_s },
                                            { u"attachment"_s, u"attachement"_s }, { u"fear"_s, u"peur"_s }, { u"phobia"_s, u"phobie"_s } })
        pairs.append({ english, french });
    QList<QPair<QString, QString>> english = pairs;
    std::sort(english.begin(), english.end());
    writeDictionary(local, numbered(pairs), numbered(english));
    const ProgramRun published = runProgram(QStringLiteral(TABLES_TOOL), { u"publish"_s, local, m_server->connection() });
    QVERIFY2(published.exitCode == 0, qPrintable(published.output));
    m_tcp = m_dir.filePath(u"tcp"_s);
    m_socket = m_dir.filePath(u"socket"_s);
    for (const auto& [connection, directory] : { std::pair { m_server->loopbackConnection(), m_tcp }, { m_server->connection(), m_socket } }) {
        const ProgramRun connected = runProgram(QStringLiteral(TABLES_TOOL), { u"connect"_s, connection, directory });
        QVERIFY2(connected.exitCode == 0, qPrintable(connected.output));
    }
}

void TestFrozenServer::typingGoesOnWhileTheServerIsStopped()
{
    TestServices test(m_tcp, m_dir.path());
    std::unique_ptr<DictionaryWindow> window(DictionaryWindow::createF1(test.windows));
    window->Form_Load();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QVERIFY(test.presenter.messages.isEmpty());
    auto* source = window->findChild<QLineEdit*>(u"Text_fr"_s);
    auto* target = window->findChild<QLineEdit*>(u"Text_eng"_s);
    auto* list = window->findChild<QListWidget*>(u"completionList"_s);
    source->setFocus();
    typeText(source, u"anx"_s);
    QTRY_COMPARE(list->count(), 2); // from the server, beside the window

    m_server->setStopped(true);
    auto resume = qScopeGuard([this] { m_server->setStopped(false); });
    // Each key shows in the box at once, whatever the list is waiting for.
    for (const QString& key : { u"i"_s, u"é"_s, u"t"_s, u"é"_s }) {
        const QString before = source->text();
        QElapsedTimer shown;
        shown.start();
        typeText(source, key);
        QCoreApplication::processEvents();
        QVERIFY2(shown.elapsed() < 500, qPrintable(u"%1 ms for a key"_s.arg(shown.elapsed())));
        QCOMPARE(source->text(), before + key);
    }
    // The search itself waits, under the hourglass, then says why it found nothing.
    test.busy.events.clear();
    QElapsedTimer waited;
    waited.start();
    QTest::keyClick(source, Qt::Key_Return);
    QVERIFY2(waited.elapsed() < 15000, qPrintable(u"the search took %1 ms"_s.arg(waited.elapsed())));
    QCOMPARE(test.presenter.messages.size(), 1);
    const QString& message = test.presenter.messages.front();
    QVERIFY2(message.startsWith(QString::number(FailureNumber::TimedOut)) && message.contains(u"the server did not answer within 7 seconds"_s)
                 && message.endsWith(u"afficher_resultat"_s),
             qPrintable(message));
    QCOMPARE(test.busy.events, (QStringList { u"hourglass"_s, u"default"_s }));

    // Once the server answers again, the same window searches as before.
    resume.dismiss();
    m_server->setStopped(false);
    QTest::keyClick(source, Qt::Key_Return);
    QCOMPARE(test.presenter.messages.size(), 1);
    QCOMPARE(target->text(), u"anxiety"_s);
    source->clear();
    typeText(source, u"ph"_s);
    QTRY_COMPARE_WITH_TIMEOUT(list->count(), 1, 15000);
}

void TestFrozenServer::theToolGivesUpWithTheCause()
{
    m_server->setStopped(true);
    const auto resume = qScopeGuard([this] { m_server->setStopped(false); });
    for (const QString& directory : { m_tcp, m_socket }) {
        QElapsedTimer waited;
        waited.start();
        const ProgramRun run = runProgram(QStringLiteral(TABLES_TOOL), { u"lookup"_s, directory, u"fr"_s, u"peur"_s });
        QVERIFY2(waited.elapsed() < 20000, qPrintable(u"%1 ms"_s.arg(waited.elapsed())));
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.output.contains(u"cannot connect to the server"_s) && run.output.contains(u"timeout expired"_s), qPrintable(run.output));
    }
}

void TestFrozenServer::aLockedTableIsSaidOnce()
{
    // A session that holds the French table, as a publication in progress or a careless
    // administrator would: the window opens in one statement's wait, and says so.
    auto holder = ServerConnection::open(m_server->connection());
    QVERIFY(holder);
    QVERIFY((*holder)->execute("BEGIN; LOCK TABLE fr_en.ps IN ACCESS EXCLUSIVE MODE"));
    QElapsedTimer waited;
    waited.start();
    const WindowData data = WindowData::open(Direction::frenchToEnglish(), m_socket);
    QVERIFY2(waited.elapsed() < 9000, qPrintable(u"%1 ms to open"_s.arg(waited.elapsed())));
    QVERIFY(data.loadFailure);
    QCOMPARE(data.loadFailure->number, FailureNumber::TimedOut);
    QVERIFY2(data.loadFailure->description.contains(u"statement timeout"_s), qPrintable(data.loadFailure->description));
    QVERIFY((*holder)->execute("ROLLBACK"));
    QVERIFY(!WindowData::open(Direction::frenchToEnglish(), m_socket).loadFailure);
}

QTEST_MAIN(TestFrozenServer)
#include "tst_frozenserver.moc"
