// The program's command line, and look-ups handed to the program already running.
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QTimer>
#include <QMap>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <future>

#include <QLocalServer>
#include <QScopeGuard>
#include <QTemporaryDir>

#include "commandline.h"
#include "displaycheck.h"
#include "programplaces.h"
#include "lookupchannel.h"

using namespace Qt::Literals::StringLiterals;

namespace {

void writeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
}

// A client of the channel that sends what it is told, as a careless or hostile program might.
class RawClient final {
public:
    explicit RawClient(const QString& name)
    {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray path = name.toUtf8();
        std::memcpy(address.sun_path + 1, path.constData(), std::size_t(path.size()));
        m_socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        // The server accepts from this thread's event loop: a full queue waits for it.
        const QDeadlineTimer deadline(2000);
        while (::connect(m_socket, reinterpret_cast<sockaddr*>(&address), socklen_t(offsetof(sockaddr_un, sun_path) + 1 + std::size_t(path.size()))) != 0) {
            if (errno != EAGAIN || deadline.hasExpired()) {
                ::close(m_socket);
                m_socket = -1;
                return;
            }
            QTest::qWait(5);
        }
    }
    ~RawClient()
    {
        if (m_socket >= 0)
            ::close(m_socket);
    }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void send(const QByteArray& bytes) const { ::send(m_socket, bytes.constData(), std::size_t(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT); }
    // True once the server has hung up on it, the event loop running meanwhile.
    bool hungUp(int milliseconds) const
    {
        QDeadlineTimer deadline(milliseconds);
        do {
            char byte;
            const ssize_t got = ::recv(m_socket, &byte, 1, MSG_DONTWAIT | MSG_PEEK);
            if (got == 0 || (got < 0 && errno != EAGAIN))
                return true;
            QTest::qWait(10);
        } while (!deadline.hasExpired());
        return false;
    }

private:
    int m_socket = -1;
};

// A program of the tests run as user nobody; empty when the tests cannot change user.
QStringList asNobody(const QStringList& command)
{
    if (::geteuid() != 0)
        return {};
    return QStringList { u"setpriv"_s, u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s } + command;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void parse_data();
    void parse();
    void handOverRoundTrip();
    void requestsTheServerRefuses();
    void nobodyListening();
    void anotherUserIsNeverAnswered();
    void clientsCannotWearItOut();
    void receiverWithItsOwnEventLoop();
    void programHandsOver();
    void programOptions_data();
    void programOptions();
    void waylandDisplay();
    void programPlaces();

private:
    // A name of this test's own, so that a program running on the desktop is left alone.
    QString m_name;
};

void TestCommandLine::initTestCase()
{
    qputenv("DISPLAY", QByteArray(":evelmora-test-") + QByteArray::number(QCoreApplication::applicationPid()));
    qunsetenv("WAYLAND_DISPLAY");
    m_name = LookupChannel::name();
    QVERIFY(m_name.endsWith(QString::fromLatin1(qgetenv("DISPLAY"))));
}

void TestCommandLine::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("problem");

    using A = CommandLine::Action;
    QTest::newRow("nothing") << QStringList() << int(A::Start) << false << QString() << QString();
    QTest::newRow("French") << QStringList { u"--fr"_s, u"schizophrénie"_s } << int(A::LookUp) << false << u"schizophrénie"_s << QString();
    QTest::newRow("English") << QStringList { u"--en"_s, u"anxiety"_s } << int(A::LookUp) << true << u"anxiety"_s << QString();
    QTest::newRow("a word with blanks and a dash") << QStringList { u"--en"_s, u"-ism of a kind "_s } << int(A::LookUp) << true << u"-ism of a kind "_s
                                                   << QString();
    QTest::newRow("an empty word") << QStringList { u"--fr"_s, QString() } << int(A::LookUp) << false << QString() << QString();
    QTest::newRow("help") << QStringList { u"--help"_s } << int(A::Help) << false << QString() << QString();
    QTest::newRow("short help") << QStringList { u"-h"_s } << int(A::Help) << false << QString() << QString();
    QTest::newRow("version") << QStringList { u"--version"_s } << int(A::Version) << false << QString() << QString();
    QTest::newRow("no word") << QStringList { u"--fr"_s } << int(A::Usage) << false << QString() << u"--fr needs a word"_s;
    QTest::newRow("two words") << QStringList { u"--en"_s, u"a"_s, u"b"_s } << int(A::Usage) << false << QString()
                               << u"one look-up at a time: --en takes one word"_s;
    QTest::newRow("unknown") << QStringList { u"--french"_s, u"a"_s } << int(A::Usage) << false << QString() << u"unknown option --french"_s;
    QTest::newRow("a word alone") << QStringList { u"peur"_s } << int(A::Usage) << false << QString() << u"a word needs --fr or --en before it: peur"_s;
    QTest::newRow("help and more") << QStringList { u"--version"_s, u"x"_s } << int(A::Usage) << false << QString()
                                   << u"--version takes nothing after it"_s;
}

void TestCommandLine::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(bool, english);
    QFETCH(QString, word);
    QFETCH(QString, problem);
    std::vector<std::string> utf8;
    for (const QString& argument : arguments)
        utf8.push_back(argument.toStdString());
    const CommandLine line = CommandLine::parse(utf8);
    QCOMPARE(int(line.action), action);
    QCOMPARE(line.english, english);
    QCOMPARE(QString::fromStdString(line.word), word);
    QCOMPARE(QString::fromStdString(line.problem), problem);
}

void TestCommandLine::handOverRoundTrip()
{
    LookupServer server;
    QVERIFY(server.listen(m_name));
    // A second program on the same name does not take it over.
    LookupServer second;
    QVERIFY(!second.listen(m_name));

    QSignalSpy asked(&server, &LookupServer::lookUpRequested);
    for (const auto& [english, word] : std::initializer_list<std::pair<bool, std::string>> {
             { false, "schizophrénie" }, { true, "" }, { true, std::string(60000, 'a') }, { false, "l'\xF0\x9F\x98\x80\n2" } }) {
        // The client waits for the answer; the server answers from the event loop.
        auto handed = std::async(std::launch::async, [&, english = english, word = word] { return LookupChannel::handOver(m_name, english, word); });
        QTRY_COMPARE(asked.size(), 1);
        QVERIFY(handed.get());
        QCOMPARE(asked[0][0].toBool(), english);
        QCOMPARE(asked[0][1].toString(), QString::fromStdString(word));
        asked.clear();
    }
    // Too long a word is not sent at all.
    QVERIFY(!LookupChannel::handOver(m_name, false, std::string(64 * 1024 + 1, 'a')));
}

void TestCommandLine::requestsTheServerRefuses()
{
    LookupServer server;
    QVERIFY(server.listen(m_name));
    QSignalSpy asked(&server, &LookupServer::lookUpRequested);
    const auto send = [&](const QByteArray& bytes) {
        QLocalSocket client;
        client.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        client.connectToServer(m_name);
        if (!client.waitForConnected(2000))
            return u"(not connected)"_s;
        client.write(bytes);
        client.flush();
        // An answer, or the server hanging up.
        QDeadlineTimer deadline(3000);
        while (client.bytesAvailable() == 0 && client.state() == QLocalSocket::ConnectedState && !deadline.hasExpired())
            QTest::qWait(10);
        return client.state() == QLocalSocket::ConnectedState && client.bytesAvailable() == 0 ? u"(no answer)"_s : QString::fromLatin1(client.readAll());
    };
    for (const QByteArray& bad : { QByteArray("de 4\nwort"), QByteArray("fr -1\n"), QByteArray("fr 99999999\nx"), QByteArray("fr four\nword"),
                                   QByteArray("fr\nword"), QByteArray("fr 1 2\nw") }) {
        QCOMPARE(send(bad), QString());
    }
    QCOMPARE(asked.size(), 0);

    // A request that comes in pieces is one look-up.
    QLocalSocket client;
    client.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    client.connectToServer(m_name);
    QVERIFY(client.waitForConnected(2000));
    for (const char* piece : { "e", "n 8", "\nanx", "iety" }) {
        client.write(piece);
        client.flush();
        QTest::qWait(20);
        QCOMPARE(asked.size(), 0);
    }
    client.write("!");
    client.flush();
    QTRY_COMPARE(asked.size(), 1);
    QCOMPARE(asked[0][1].toString(), u"anxiety!"_s);
    QVERIFY(client.bytesAvailable() > 0 || client.waitForReadyRead(3000));
    QCOMPARE(client.readAll(), QByteArray("ok\n"));
}

void TestCommandLine::nobodyListening()
{
    QVERIFY(!LookupChannel::handOver(m_name + u"-nobody"_s, false, "peur"));
}

void TestCommandLine::anotherUserIsNeverAnswered()
{
    const QStringList peer = asNobody({ QStringLiteral(CHANNEL_PEER) });
    if (peer.isEmpty())
        QSKIP("changing to another user needs root");
    const QString name = m_name + u"-users"_s;

    // Another user's program holds the name first: it is sent nothing, the program listens on
    // an alternate, and later starts hand their look-ups to it there.
    QProcess squatter;
    squatter.start(peer[0], peer.mid(1) + QStringList { u"listen"_s, name, u"3000"_s });
    QVERIFY(squatter.waitForReadyRead(5000));
    QCOMPARE(squatter.readLine(), QByteArray("listening\n"));
    QVERIFY(!LookupChannel::handOver(name, false, "peur"));
    LookupServer server;
    QSignalSpy asked(&server, &LookupServer::lookUpRequested);
    QVERIFY(server.listen(name));
    QCOMPARE(server.listening(), name + u"~2"_s);
    auto handed = std::async(std::launch::async, [&] { return LookupChannel::handOver(name, false, "peur"); });
    QTRY_COMPARE(asked.size(), 1);
    QVERIFY(handed.get());
    QCOMPARE(asked[0][1].toString(), u"peur"_s);
    QVERIFY(squatter.waitForFinished(10000));
    QCOMPARE(squatter.readAll(), QByteArray("received 0\n"));

    // Another user's request is refused unread, however well formed.
    QProcess intruder;
    intruder.start(peer[0], peer.mid(1) + QStringList { u"send"_s, server.listening(), u"fr 4\npeur"_s });
    QVERIFY(intruder.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(intruder.state() == QProcess::NotRunning, 10000);
    QCOMPARE(intruder.readAll(), QByteArray("closed\n"));
    QTest::qWait(50);
    QCOMPARE(asked.size(), 1);
}

void TestCommandLine::clientsCannotWearItOut()
{
    LookupServer server;
    QVERIFY(server.listen(m_name));
    QSignalSpy asked(&server, &LookupServer::lookUpRequested);
    const auto handOver = [&](const char* word) {
        auto handed = std::async(std::launch::async, [&] { return LookupChannel::handOver(m_name, false, word); });
        while (handed.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
            QCoreApplication::processEvents();
        return handed.get();
    };

    // A first line with no end, and a word longer than any, are hung up on at once.
    RawClient endless(m_name);
    endless.send(QByteArray(300, '7'));
    RawClient huge(m_name);
    huge.send("fr 65537\n");
    QVERIFY(endless.hungUp(1000) && huge.hungUp(1000));

    // Clients that hold connections and say nothing: past a few, new ones are refused at once,
    // the quiet ones are closed after a while, and the channel works again.
    std::vector<std::unique_ptr<RawClient>> quiet;
    for (int i = 0; i < 40; ++i)
        quiet.push_back(std::make_unique<RawClient>(m_name));
    QVERIFY(quiet.back()->hungUp(500));
    QVERIFY(!quiet.front()->hungUp(LookupServer::idleMilliseconds / 2));
    QVERIFY(quiet.front()->hungUp(LookupServer::idleMilliseconds * 2));
    // A request sent a byte at a time, each in time, still has a deadline of its own.
    RawClient slow(m_name);
    slow.send("fr 100\n");
    QDeadlineTimer trickle(LookupServer::requestMilliseconds + 2000);
    bool cut = false;
    while (!cut && !trickle.hasExpired()) {
        slow.send("a");
        cut = slow.hungUp(LookupServer::idleMilliseconds / 4);
    }
    QVERIFY(cut);
    QVERIFY(handOver("peur"));

    // Out of descriptors, it keeps listening and takes the look-ups once it has some again.
    std::vector<std::unique_ptr<RawClient>> crowd;
    for (int i = 0; i < 6; ++i)
        crowd.push_back(std::make_unique<RawClient>(m_name)); // queued, not yet accepted
    rlimit limit {};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit saved = limit;
    const int lowestFree = ::dup(0);
    ::close(lowestFree);
    limit.rlim_cur = rlim_t(lowestFree + 1); // room for one of them
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    QTest::qWait(100);
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &saved), 0);
    crowd.clear();
    quiet.clear();
    QVERIFY(handOver("anxiété"));
    QTRY_COMPARE(asked.size(), 2);
    QCOMPARE(asked[1][1].toString(), u"anxiété"_s);
}

void TestCommandLine::receiverWithItsOwnEventLoop()
{
    // What a message box does: an event loop of its own inside the slot, while the client that
    // asked has long hung up and the next one is already asking.
    LookupServer server;
    QVERIFY(server.listen(m_name));
    QStringList seen;
    connect(&server, &LookupServer::lookUpRequested, this, [&seen](bool, const QString& word) {
        seen.append(word);
        QEventLoop box;
        QTimer::singleShot(300, &box, &QEventLoop::quit);
        box.exec();
    });
    // All at once, so that each comes in while the box of another is up.
    std::vector<std::future<bool>> handed;
    for (const std::string& word : { std::string("anxiété"), std::string("pe\0ur", 5), std::string("peur") })
        handed.push_back(std::async(std::launch::async, [this, word] { return LookupChannel::handOver(m_name, false, word); }));
    for (auto& one : handed) {
        while (one.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
            QCoreApplication::processEvents();
        QVERIFY(one.get());
    }
    QTRY_COMPARE(seen.size(), 3);
    QVERIFY(seen.contains(QString::fromUtf8("pe\0ur", 5)));
}

void TestCommandLine::programHandsOver()
{
    LookupServer server;
    QVERIFY(server.listen(m_name));
    QSignalSpy asked(&server, &LookupServer::lookUpRequested);
    QProcess program;
    program.start(QStringLiteral(PROGRAM), { u"--en"_s, u"anxiety disorder"_s });
    // The program starts no display of its own: it hands the word over and ends.
    QTRY_COMPARE(asked.size(), 1);
    QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(5000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(asked[0][0].toBool(), true);
    QCOMPARE(asked[0][1].toString(), u"anxiety disorder"_s);
    QCOMPARE(program.readAllStandardError(), QByteArray());
}

void TestCommandLine::programOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    QTest::newRow("help") << QStringList { u"--help"_s } << 0 << u"usage: evelmora "_s << QString();
    QTest::newRow("version") << QStringList { u"--version"_s } << 0 << u"evelmora " EVELMORA_VERSION "\n"_s << QString();
    QTest::newRow("unknown option") << QStringList { u"--bogus"_s } << 2 << QString() << u"evelmora: unknown option --bogus\nusage: "_s;
    QTest::newRow("missing word") << QStringList { u"--fr"_s } << 2 << QString() << u"evelmora: --fr needs a word\nusage: "_s;
}

void TestCommandLine::programOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    // No display at all: none of these may need one or open a window.
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    environment.remove(u"QT_QPA_PLATFORM"_s);
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(PROGRAM), arguments);
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitCode(), status);
    const QString printed = QString::fromUtf8(program.readAllStandardOutput());
    const QString complained = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(out.isEmpty() ? printed.isEmpty() : printed.contains(out), qPrintable(printed));
    QVERIFY2(err.isEmpty() ? complained.isEmpty() : complained.startsWith(err), qPrintable(complained));
}

void TestCommandLine::waylandDisplay()
{
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const auto restore = qScopeGuard([&] {
        qputenv("DISPLAY", display);
        qputenv("QT_QPA_PLATFORM", platform);
        qputenv("XDG_RUNTIME_DIR", runtime);
        qunsetenv("WAYLAND_DISPLAY");
    });
    QTemporaryDir folder;
    qunsetenv("DISPLAY");
    qunsetenv("QT_QPA_PLATFORM");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
    qputenv("WAYLAND_DISPLAY", "wayland-test");
    {
        const DisplayCheck check;
        QVERIFY(check.problem());
        QVERIFY2(check.problem()->startsWith(u"cannot connect to the Wayland display wayland-test"_s), qPrintable(*check.problem()));
    }
    // A compositor's socket there: the program starts on Wayland.
    QLocalServer compositor;
    QVERIFY(compositor.listen(folder.filePath(u"wayland-test"_s)));
    {
        const DisplayCheck check;
        QVERIFY(!check.problem());
        QCOMPARE(check.platform(), QByteArray("wayland"));
    }
    // A path works as well as a name; a plain file is no display.
    qputenv("WAYLAND_DISPLAY", QFile::encodeName(folder.filePath(u"wayland-test"_s)));
    QVERIFY(!DisplayCheck().problem());
    writeFile(folder.filePath(u"not-a-socket"_s));
    qputenv("WAYLAND_DISPLAY", "not-a-socket");
    QVERIFY(DisplayCheck().problem());
    // With an X display too, X is used as before.
    qputenv("DISPLAY", ":evelmora-none");
    QCOMPARE(DisplayCheck().platform(), QByteArray());
}

void TestCommandLine::programPlaces()
{
    QTemporaryDir root;
    const QString prefix = root.filePath(u"usr"_s);
    QVERIFY(QDir().mkpath(prefix + u"/bin"_s));
    QVERIFY(QDir().mkpath(prefix + u"/share/evelmora/eVelmoraEFs"_s));
    QMap<QString, QString> variables { { u"HOME"_s, root.filePath(u"home"_s) } };
    const auto environment = [&](const char* name) { return variables.value(QString::fromLatin1(name)); };
    const auto find = [&](const QString& executableDirectory) { return ProgramPlaces::find(executableDirectory, u"eVelmoraEFs"_s, environment); };

    // A build tree: everything beside the executable, the data directory as built.
    ProgramPlaces places = find(prefix + u"/bin"_s);
    QCOMPARE(places.programDirectory, prefix + u"/bin"_s);
    QCOMPARE(places.dataDirectory, prefix + u"/bin/eVelmoraEFs"_s);
    // Installed: the program's files are in share/evelmora beside bin.
    writeFile(prefix + u"/share/evelmora/content.json"_s);
    places = find(prefix + u"/bin"_s);
    QCOMPARE(places.programDirectory, prefix + u"/share/evelmora"_s);
    QCOMPARE(places.dataDirectory, prefix + u"/share/evelmora/eVelmoraEFs"_s);

    // The desktop's places first, those that hold a dictionary; the user's own before the rest.
    const QString system = root.filePath(u"system"_s);
    variables[u"XDG_DATA_DIRS"_s] = u"relative/ignored:"_s + root.filePath(u"empty"_s) + u':' + system;
    QVERIFY(QDir().mkpath(system + u"/evelmora/eVelmoraEFs"_s));
    QCOMPARE(find(prefix + u"/bin"_s).dataDirectory, prefix + u"/share/evelmora/eVelmoraEFs"_s); // none holds one yet
    writeFile(system + u"/evelmora/eVelmoraEFs/d2.UDL"_s);
    QCOMPARE(find(prefix + u"/bin"_s).dataDirectory, system + u"/evelmora/eVelmoraEFs"_s);
    const QString own = root.filePath(u"home/.local/share/evelmora/eVelmoraEFs"_s);
    QVERIFY(QDir().mkpath(own));
    writeFile(own + u"/d0.UDL"_s);
    QCOMPARE(find(prefix + u"/bin"_s).dataDirectory, own);
    // XDG_DATA_HOME moves the user's own place; a relative one is ignored.
    variables[u"XDG_DATA_HOME"_s] = root.filePath(u"elsewhere"_s);
    QCOMPARE(find(prefix + u"/bin"_s).dataDirectory, system + u"/evelmora/eVelmoraEFs"_s);
    variables[u"XDG_DATA_HOME"_s] = u"not/absolute"_s;
    QCOMPARE(find(prefix + u"/bin"_s).dataDirectory, own);
    // Unset, XDG_DATA_DIRS is /usr/local/share and /usr/share.
    variables.remove(u"XDG_DATA_DIRS"_s);
    QCOMPARE(ProgramPlaces::desktopDataDirectories(environment).mid(1),
             (QStringList { u"/usr/local/share/evelmora/eVelmoraEFs"_s, u"/usr/share/evelmora/eVelmoraEFs"_s }));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
