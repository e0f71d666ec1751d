#include <QDirIterator>
#include <QJsonDocument>
#include <QProcess>
#include <QSet>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#include <unistd.h>

#include "pgserver.h"
#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The environment of a program started from a bare console: no display, a home of its own.
QProcessEnvironment bareEnvironment(const QString& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : { u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s })
        environment.remove(name);
    environment.insert(u"HOME"_s, home);
    return environment;
}

} // namespace

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void withoutADisplay_data();
    void withoutADisplay();
    void aWholeSessionWritesOnlyThePdf_data();
    void aWholeSessionWritesOnlyThePdf();
};

void TestProgram::withoutADisplay_data()
{
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("says");
    QTest::newRow("none") << QString() << u"DISPLAY is not set"_s;
    QTest::newRow("no server") << u":97"_s << u"cannot connect to the display :97"_s;
}

void TestProgram::withoutADisplay()
{
    QFETCH(QString, display);
    QFETCH(QString, says);
    QTemporaryDir home;
    QProcessEnvironment environment = bareEnvironment(home.path());
    if (!display.isEmpty())
        environment.insert(u"DISPLAY"_s, display);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(PROGRAM), {});
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit); // not a crash
    QCOMPARE(program.exitCode(), 1);
    const QString error = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(error.startsWith(u"evelmora: "_s) && error.contains(says), qPrintable(error));
}

// Every system call that could make, change or remove a file is traced through a whole
// session on a read-only data directory; the only one that succeeds must be the PDF the user
// asked for.
void TestProgram::aWholeSessionWritesOnlyThePdf_data()
{
    QTest::addColumn<bool>("onServer");
    QTest::addColumn<bool>("remembering");
    QTest::newRow("text tables") << false << false;
    // The windows reading the dictionary from a PostgreSQL server instead.
    QTest::newRow("server") << true << false;
    // A favourite kept, a window zoomed, the history turned on: their files, and only those.
    QTest::newRow("remembering") << false << true;
}

void TestProgram::aWholeSessionWritesOnlyThePdf()
{
    QFETCH(bool, onServer);
    QFETCH(bool, remembering);
    QTemporaryDir scratch;
    const QString home = scratch.filePath(u"home"_s);
    const QString runtime = scratch.filePath(u"runtime"_s);
    const QString out = scratch.filePath(u"out"_s);
    QVERIFY(QDir().mkpath(home) && QDir().mkpath(runtime) && QDir().mkpath(out));
    const QString pdf = out + u"/chosen.pdf"_s;
    const QString log = scratch.filePath(u"trace"_s);

    // A read-only copy of the sample data. Permissions do not stop root, so as root the session
    // runs as nobody, for whom they hold.
    const QString data = scratch.filePath(u"data"_s);
    QDirIterator entries(QStringLiteral(DATA_DIR), QDir::AllEntries | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QStringList copied { data };
    QVERIFY(QDir().mkpath(data));
    while (entries.hasNext()) {
        const QString source = entries.next();
        const QString target = data + source.mid(qsizetype(std::strlen(DATA_DIR)));
        QVERIFY(entries.fileInfo().isDir() ? QDir().mkpath(target) : QFile::copy(source, target));
        copied.append(target);
    }
    std::unique_ptr<PgServer> server;
    if (onServer) {
        server = std::make_unique<PgServer>();
        QVERIFY2(server->problem().isEmpty(), qPrintable(server->problem()));
        QCOMPARE(runProgram(QStringLiteral(TABLES_TOOL), { u"publish"_s, QStringLiteral(DATA_DIR), server->connection() }).exitCode, 0);
        QCOMPARE(server->psql(u"CREATE ROLE reader LOGIN; GRANT USAGE ON SCHEMA fr_en, en_fr TO reader; GRANT SELECT ON fr_en.ps, en_fr.ps TO reader"_s), QString());
        const ProgramRun connected = runProgram(QStringLiteral(TABLES_TOOL), { u"connect"_s, server->connection(u"postgres"_s, u"reader"_s), data });
        QVERIFY2(connected.exitCode == 0, qPrintable(connected.output));
    }
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const auto readOnlyFolder = readOnly | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    for (auto it = copied.crbegin(); it != copied.crend(); ++it)
        QVERIFY(QFile::setPermissions(*it, QFileInfo(*it).isDir() ? readOnlyFolder : readOnly));
    QStringList asUser;
    // nobody must be able to reach the program's own files, which a checkout in root's home
    // would hide; otherwise the session runs as root and only the trace shows nothing is written.
    const auto nobodyReaches = [] {
        QProcess probe;
        probe.start(u"setpriv"_s, { u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, u"/bin/sh"_s, u"-c"_s,
                                    u"test -x \"$1\" && test -r \"$2\""_s, u"sh"_s, QStringLiteral(SESSION),
                                    QStringLiteral(PROGRAM_DIR) + u"/content.json"_s });
        return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
    };
    if (::geteuid() == 0 && nobodyReaches()) {
        QVERIFY(QFile::setPermissions(scratch.path(), readOnlyFolder | QFileDevice::WriteOwner));
        for (const QString& open : { home, out })
            QVERIFY(QFile::setPermissions(open, readOnlyFolder | QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther));
        QCOMPARE(::chown(runtime.toLocal8Bit().constData(), 65534, 65534), 0);
        asUser = QStringList { u"setpriv"_s, u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s };
    }
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QProcessEnvironment environment = bareEnvironment(home);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtime);
    QProcess session;
    session.setProcessEnvironment(environment);
    session.setWorkingDirectory(home);
    session.start(u"strace"_s, QStringList { u"-f"_s, u"-qq"_s, u"-o"_s, log, u"-e"_s,
                                             u"trace=open,openat,openat2,creat,mkdir,mkdirat,rename,renameat,renameat2,unlink,unlinkat,rmdir,"
                                             "link,linkat,symlink,symlinkat,truncate,chmod,fchmodat,chown,fchownat,utimensat,mknodat,bind"_s }
                                   + asUser + QStringList { QStringLiteral(SESSION), data, QStringLiteral(PROGRAM_DIR), pdf }
                                   + (remembering ? QStringList { u"--remember"_s } : QStringList()));
    QVERIFY2(session.waitForStarted(), "strace is needed for this test");
    QVERIFY(session.waitForFinished(120000));
    QVERIFY2(session.exitCode() == 0, session.readAllStandardError().constData());

    // No message but the one for a machine without sound.
    for (const QString& line : QString::fromUtf8(session.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts))
        QVERIFY2(line.contains(u"no audio output could be opened"_s), qPrintable(line));

    QFile trace(log);
    QVERIFY(trace.open(QIODevice::ReadOnly));
    static const QRegularExpression call(uR"(^\d+\s+(\w+)\((.*)\)\s+=\s+(-?\d+))"_s);
    static const QRegularExpression firstPath(uR"re("((?:[^"\\]|\\.)*)")re"_s);
    static const QRegularExpression writeFlags(u"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND"_s);
    QStringList written;
    QSet<QString> remembered;
    int opened = 0;
    int abstractBinds = 0;
    while (!trace.atEnd()) {
        const QString line = QString::fromUtf8(trace.readLine()).trimmed();
        const auto match = call.match(line);
        if (!match.hasMatch() || match.captured(3).toLongLong() < 0)
            continue; // signals, and calls that failed and so changed nothing
        const QString name = match.captured(1);
        const QString arguments = match.captured(2);
        const bool opens = name.startsWith(u"open"_s);
        opened += opens;
        // Output thrown away (the help file probe's) leaves nothing either.
        if (opens && (!arguments.contains(writeFlags) || arguments.contains(u"\"/dev/null\""_s)))
            continue;
        // A socket of the abstract namespace, or not a local one, leaves no file behind.
        if (name == u"bind") {
            abstractBinds += arguments.contains(u"sun_path=@\"evelmora-"_s);
            if (!arguments.contains(u"AF_UNIX"_s) || arguments.contains(u"sun_path=@"_s))
                continue;
        }
        const QString path = firstPath.match(arguments).captured(1);
        // What the user asked to have remembered goes under the two folders of the program's
        // own, and nowhere else; the folders above them are made when missing.
        const QString state = home + u"/.local/state"_s;
        const QString config = home + u"/.config"_s;
        if (remembering
            && (path.startsWith(state + u"/evelmora/"_s) || path.startsWith(config + u"/evelmora/"_s)
                || (name.startsWith(u"mkdir"_s)
                    && QStringList { home + u"/.local"_s, state, state + u"/evelmora"_s, config, config + u"/evelmora"_s }.contains(path)))) {
            remembered.insert(QFileInfo(path).fileName());
            continue;
        }
        written.append(name + u' ' + path);
    }
    QVERIFY2(opened > 100, "the trace holds the session's reads"); // the tracer did see the program
    QVERIFY2(written == QStringList { u"openat "_s + pdf }, qPrintable(written.join(u'\n')));
    QCOMPARE(remembered.isEmpty(), !remembering);
    if (remembering) {
        // Each written whole: the files themselves are only ever renamed into place.
        for (const QString& file : { u".local/state/evelmora/favourites.json"_s, u".local/state/evelmora/history.json"_s, u".config/evelmora/settings.json"_s }) {
            QFile kept(home + u'/' + file);
            QVERIFY2(kept.open(QIODevice::ReadOnly), qPrintable(file));
            QVERIFY2(QJsonDocument::fromJson(kept.readAll()).isObject(), qPrintable(file));
        }
        QVERIFY2(QDir(home + u"/.local/state/evelmora"_s).entryList(QDir::Files | QDir::Hidden).size() == 2, "no file left half-written");
    }
    QCOMPARE(abstractBinds, 1); // the look-up handed over went through the socket
    if (!asUser.isEmpty())
        QCOMPARE(QFileInfo(pdf).ownerId(), 65534u); // the session did run as nobody
    else if (::geteuid() == 0)
        qInfo("the program's files are out of nobody's reach: the session ran as root");
    QFile result(pdf);
    QVERIFY(result.open(QIODevice::ReadOnly));
    QVERIFY(result.read(5) == "%PDF-");
}

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
