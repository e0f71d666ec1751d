// Every write of the tables tool lands whole: a full disk, a run killed at any step, special
// files and others' links as the output.
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

ProgramRun runTool(const QStringList& arguments)
{
    return runProgram(QStringLiteral(TABLES_TOOL), arguments);
}

// What a directory holds, as a reader would find it: every name with its kind and bytes.
QMap<QString, QByteArray> treeOf(const QString& directory)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(directory, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        tree.insert(QDir(directory).relativeFilePath(path), it.fileInfo().isDir() ? QByteArray("(folder)") : file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)"));
    }
    return tree;
}

QStringList leftovers(const QString& directory)
{
    QStringList found;
    QDirIterator it(directory, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (it.next().contains(u".evelmora-build-"_s))
            found.append(it.filePath());
    }
    return found;
}

bool copyTree(const QString& from, const QString& to)
{
    return QProcess::execute(u"cp"_s, { u"-a"_s, from, to }) == 0;
}

const QByteArray oldTerms = "Frensh\tEnglish\tSubfield\nanxiété\tanxiety\tclinical\npeur\tfear\temotion\n";
const QByteArray newTerms = "Frensh\tEnglish\tSubfield\ndélire\tdelusion\tclinical\nmémoire\tmemory\tcognitive\nsurmoi\tsuperego\tpsychoanalysis\n";

} // namespace

class TestWholeWrites : public QObject {
    Q_OBJECT

private slots:
    void fullDisk_data();
    void fullDisk();
    void buildKilledAtEveryStep();
    void compileKilledAtEveryStep();
    void outputs();
    void anotherUsersDirectoryInAStickyFolder();

private:
    void killedAtEveryStep(const QStringList& arguments, const QString& before, const QString& after);
};

void TestWholeWrites::fullDisk_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("spareKiB");
    QTest::addColumn<bool>("mountPoint"); // the data directory is a file system of its own
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("cause");
    const QString terms = QStringLiteral(SAMPLE_TERMS);
    QTest::newRow("compile") << QStringList { u"compile"_s, u"DATA"_s } << 300 << false << 2 << u"disk is full"_s;
    QTest::newRow("build") << QStringList { u"build"_s, terms, u"DATA"_s } << 300 << false << 2 << u"No space left on device"_s;
    QTest::newRow("export over a file") << QStringList { u"export"_s, u"DATA"_s, u"--format"_s, u"tbx"_s, u"--output"_s, u"DATA/p1.txt"_s } << 300 << false << 2
                                        << u"No space left on device"_s;
    QTest::newRow("build on a mount point") << QStringList { u"build"_s, terms, u"DATA"_s } << 300 << true << 2 << u"No space left on device"_s;
    // Room for a second copy of the tables, whatever the bundled dictionary's size (-1).
    QTest::newRow("build on a mount point with room") << QStringList { u"build"_s, terms, u"DATA"_s } << -1 << true << 0 << QString();
}

// On a small file system of its own (a mount namespace of the test's, gone when it ends).
void TestWholeWrites::fullDisk()
{
    QFETCH(QStringList, command);
    QFETCH(int, spareKiB);
    QFETCH(bool, mountPoint);
    QFETCH(int, status);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    const QString source = dir.filePath(u"source"_s);
    QCOMPARE(runTool({ u"build"_s, QStringLiteral(SAMPLE_TERMS), source }).exitCode, 0);
    QFile edited(source + u"/d0.UDL"_s);
    QVERIFY(edited.open(QIODevice::Append) && edited.write("; edited by hand\n") > 0);
    edited.close();
    const QMap<QString, QByteArray> before = treeOf(source);
    qint64 bytes = 0;
    for (const QByteArray& content : before)
        bytes += content.size();
    const QString disk = dir.filePath(u"disk"_s);
    const QString data = disk + u"/data"_s;
    QVERIFY(QDir().mkpath(disk));
    const qint64 size = bytes / 1024 + 64 + (spareKiB < 0 ? bytes / 1024 + 1024 : spareKiB);
    QStringList tool { QStringLiteral(TABLES_TOOL) };
    for (const QString& argument : command)
        tool.append(QString(argument).replace(u"DATA"_s, data));
    // The tool runs inside the namespace; the tree is listed there, before the mount goes.
    const QString script = u"d=$1; s=$2; shift 2; mount -t tmpfs -o size=%1k tmpfs \"$d\" && mkdir \"$d/data\" && %2 cp -a \"$s\"/. \"$d/data\" && "
                           "\"$@\" 2>&1; echo \"status $?\"; cp -a \"$d/data\" \"$d/../after\""_s
                               .arg(mountPoint ? 64 : size)
                               .arg(mountPoint ? u"mount -t tmpfs -o size=%1k tmpfs \"$d/data\" &&"_s.arg(size) : QString());
    QProcess process;
    process.start(u"unshare"_s, QStringList { u"-m"_s, u"--propagation"_s, u"private"_s, u"sh"_s, u"-c"_s, script, u"sh"_s, disk, source } + tool);
    QVERIFY(process.waitForFinished(60000));
    const QString output = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    if (output.contains(u"mount: "_s) && output.contains(u"permission denied"_s, Qt::CaseInsensitive))
        QSKIP("no mount namespace for this user");
    QVERIFY2(output.endsWith(u"status %1\n"_s.arg(status)), qPrintable(output));
    QVERIFY2(output.contains(cause), qPrintable(output));
    const QMap<QString, QByteArray> after = treeOf(dir.filePath(u"after"_s));
    if (status != 0) {
        QCOMPARE(after.keys(), before.keys());
        QVERIFY(after == before);
    } else {
        QVERIFY(after != before);
        QVERIFY(leftovers(dir.filePath(u"after"_s)).isEmpty());
        QCOMPARE(runTool({ u"check"_s, dir.filePath(u"after"_s) }).exitCode, 0);
    }
}

// Runs the tool again and again under strace, killed before its first, second, … call of each
// kind that changes the file system, until it runs through. After each kill the data directory
// is the old one or the new one, whole; the next run leaves nothing of the killed ones behind.
void TestWholeWrites::killedAtEveryStep(const QStringList& arguments, const QString& before, const QString& after)
{
    if (QStandardPaths::findExecutable(u"strace"_s).isEmpty())
        QSKIP("strace is not installed");
    const QString parent = QFileInfo(before).dir().filePath(u"parent"_s);
    const QString data = parent + u"/data"_s;
    const QMap<QString, QByteArray> old = treeOf(before);
    const QMap<QString, QByteArray> whole = treeOf(after);
    QVERIFY(old != whole);
    int kills = 0;
    for (const QString& call : { u"mkdir"_s, u"link"_s, u"unlink"_s, u"unlinkat"_s, u"rmdir"_s, u"write"_s, u"fsync"_s, u"chmod"_s, u"renameat2"_s, u"rename"_s }) {
        for (int step = 1;; ++step) {
            QDir(data).removeRecursively();
            QVERIFY(QDir().mkpath(parent));
            QVERIFY(copyTree(before, data));
            QProcess process;
            // The leak checker traces the process itself at its end, which it cannot under strace.
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"ASAN_OPTIONS"_s, environment.value(u"ASAN_OPTIONS"_s) + u":detect_leaks=0"_s);
            process.setProcessEnvironment(environment);
            process.start(u"strace"_s, QStringList { u"-f"_s, u"-qq"_s, u"-o"_s, u"/dev/null"_s, u"-e"_s, u"trace="_s + call, u"-e"_s,
                                                     u"inject=%1:signal=SIGKILL:when=%2"_s.arg(call).arg(step), QStringLiteral(TABLES_TOOL) }
                              + QStringList(arguments).replaceInStrings(u"DATA"_s, data));
            QVERIFY(process.waitForFinished(60000));
            const QMap<QString, QByteArray> now = treeOf(data);
            QVERIFY2(now == old || now == whole, qPrintable(u"killed at %1 number %2: neither the old directory nor the new one"_s.arg(call).arg(step)));
            if (process.exitStatus() == QProcess::NormalExit && process.exitCode() != SIGKILL + 128) {
                QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
                break;
            }
            QVERIFY2(step < 200, qPrintable(call));
            ++kills;
        }
    }
    qInfo("%d kills", kills);
    QVERIFY(kills > 20);
    QDir(data).removeRecursively();
    QVERIFY(copyTree(before, data));
    writeTextFile(data, u".evelmora-build-Ab12Cd/fr-en/PS.txt"_s, "what an earlier version left\n");
    QCOMPARE(runTool(QStringList(arguments).replaceInStrings(u"DATA"_s, data)).exitCode, 0);
    QVERIFY(treeOf(data) == whole);
    QCOMPARE(leftovers(parent), QStringList());
}

void TestWholeWrites::buildKilledAtEveryStep()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"old.tsv"_s, oldTerms);
    writeTextFile(dir.path(), u"new.tsv"_s, newTerms);
    const QString before = dir.filePath(u"before"_s);
    const QString after = dir.filePath(u"after"_s);
    QCOMPARE(runTool({ u"build"_s, dir.filePath(u"old.tsv"_s), before }).exitCode, 0);
    writeTextFile(before, u"notes/kept.txt"_s, "a file of the department's own\n");
    QVERIFY(copyTree(before, after));
    QCOMPARE(runTool({ u"build"_s, dir.filePath(u"new.tsv"_s), after }).exitCode, 0);
    killedAtEveryStep({ u"build"_s, dir.filePath(u"new.tsv"_s), u"DATA"_s }, before, after);
}

void TestWholeWrites::compileKilledAtEveryStep()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"old.tsv"_s, oldTerms);
    const QString before = dir.filePath(u"before"_s);
    const QString after = dir.filePath(u"after"_s);
    QCOMPARE(runTool({ u"build"_s, dir.filePath(u"old.tsv"_s), before }).exitCode, 0);
    QVERIFY(copyTree(before, after));
    QCOMPARE(runTool({ u"compile"_s, after }).exitCode, 0);
    killedAtEveryStep({ u"compile"_s, u"DATA"_s }, before, after);
}

void TestWholeWrites::outputs()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(u"data"_s);
    writeTextFile(dir.path(), u"terms.tsv"_s, newTerms);
    QCOMPARE(runTool({ u"build"_s, dir.filePath(u"terms.tsv"_s), data }).exitCode, 0);
    const QStringList exportCsv { u"export"_s, data, u"--format"_s, u"csv"_s, u"--output"_s };
    QProcess toStandardOutput;
    toStandardOutput.start(QStringLiteral(TABLES_TOOL), exportCsv + QStringList { u"-"_s });
    QVERIFY(toStandardOutput.waitForFinished(60000));
    const QByteArray csv = toStandardOutput.readAllStandardOutput();
    QVERIFY(csv.startsWith("French,English"));
    QVERIFY(!QFileInfo::exists(u"-"_s));

    // A pipe gets the bytes and stays a pipe.
    const QString fifo = dir.filePath(u"pipe"_s);
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QProcess reader;
    reader.start(u"cat"_s, { fifo });
    QVERIFY(reader.waitForStarted());
    QCOMPARE(runTool(exportCsv + QStringList { fifo }).exitCode, 0);
    QVERIFY(reader.waitForFinished(60000));
    QCOMPARE(reader.readAllStandardOutput(), csv);
    QVERIFY(QFileInfo(fifo).isFile() == false && QFileInfo::exists(fifo));

    if (::geteuid() != 0)
        QSKIP("devices, others' links and other users need root");
    // Devices of the test's own: written to, never replaced; a full one says so.
    const QString null = dir.filePath(u"null"_s);
    const QString full = dir.filePath(u"full"_s);
    QCOMPARE(::mknod(QFile::encodeName(null).constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
    QCOMPARE(::mknod(QFile::encodeName(full).constData(), S_IFCHR | 0666, makedev(1, 7)), 0);
    QCOMPARE(runTool(exportCsv + QStringList { null }).exitCode, 0);
    const ProgramRun onFull = runTool(exportCsv + QStringList { full });
    QCOMPARE(onFull.exitCode, 2);
    QCOMPARE(onFull.output, u"cannot write %1: No space left on device\n"_s.arg(full));
    for (const QString& device : { null, full }) {
        struct stat status {};
        QVERIFY(::stat(QFile::encodeName(device).constData(), &status) == 0 && S_ISCHR(status.st_mode));
    }

    // In a sticky folder everyone writes to, another user's link is not followed; one's own is.
    const QString sticky = dir.filePath(u"shared"_s);
    QVERIFY(QDir().mkpath(sticky));
    QCOMPARE(::chmod(QFile::encodeName(sticky).constData(), 01777), 0);
    writeTextFile(dir.path(), u"victim.txt"_s, "precious\n");
    const QString planted = sticky + u"/export.csv"_s;
    const QString own = sticky + u"/mine.csv"_s;
    QVERIFY(QFile::link(dir.filePath(u"victim.txt"_s), planted));
    QCOMPARE(::lchown(QFile::encodeName(planted).constData(), 65534, 65534), 0);
    const ProgramRun refused = runTool(exportCsv + QStringList { planted });
    QCOMPARE(refused.exitCode, 2);
    QCOMPARE(refused.output, u"cannot write %1: %1 is a link that another user owns in a sticky folder everyone can write; it is not followed\n"_s.arg(planted));
    QVERIFY(QFile::link(dir.filePath(u"victim.txt"_s), own));
    QCOMPARE(runTool(exportCsv + QStringList { own }).exitCode, 0);
    QVERIFY(QFileInfo(own).isSymLink());
    QFile victim(dir.filePath(u"victim.txt"_s));
    QVERIFY(victim.open(QIODevice::ReadOnly));
    QCOMPARE(victim.readAll(), csv);

    // A file one may write in a folder one may not: written in place, whole.
    const QString locked = dir.filePath(u"locked"_s);
    writeTextFile(locked, u"export.csv"_s, "old\n");
    const QByteArray lockedFile = QFile::encodeName(locked + u"/export.csv"_s);
    QCOMPARE(::chown(lockedFile.constData(), 65534, 65534), 0);
    for (const QString& folder : QStringList { dir.path(), data, data + u"/fr-en"_s, data + u"/en-fr"_s, locked })
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
    const ProgramRun asNobody = runProgram(u"setpriv"_s, QStringList { u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, QStringLiteral(TABLES_TOOL) }
                                                           + exportCsv + QStringList { locked + u"/export.csv"_s });
    QVERIFY2(asNobody.exitCode == 0, qPrintable(asNobody.output));
    QFile written(locked + u"/export.csv"_s);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), csv);
    QCOMPARE(QDir(locked).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList { u"export.csv"_s });
}

// The kernel will not exchange a name another user owns in a sticky folder: the build falls back
// to replacing the files one at a time, and says so.
void TestWholeWrites::anotherUsersDirectoryInAStickyFolder()
{
    if (::geteuid() != 0)
        QSKIP("other users need root");
    QTemporaryDir dir;
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 01777), 0);
    const QString data = dir.filePath(u"data"_s);
    writeTextFile(dir.path(), u"old.tsv"_s, oldTerms);
    writeTextFile(dir.path(), u"new.tsv"_s, newTerms);
    QCOMPARE(runTool({ u"build"_s, dir.filePath(u"old.tsv"_s), data }).exitCode, 0);
    QCOMPARE(QProcess::execute(u"chown"_s, { u"-R"_s, u"12345:12345"_s, data }), 0);
    QCOMPARE(QProcess::execute(u"chmod"_s, { u"-R"_s, u"a+rwX"_s, data }), 0);
    const ProgramRun asNobody = runProgram(u"setpriv"_s, { u"--reuid=65534"_s, u"--regid=65534"_s, u"--clear-groups"_s, QStringLiteral(TABLES_TOOL), u"build"_s,
                                                         dir.filePath(u"new.tsv"_s), data });
    QVERIFY2(asNobody.exitCode == 0, qPrintable(asNobody.output));
    QVERIFY2(asNobody.output.contains(u"its files were replaced one at a time"_s), qPrintable(asNobody.output));
    QCOMPARE(runTool({ u"lookup"_s, data, u"fr"_s, u"surmoi"_s }).output, u"surmoi\tsuperego\n"_s);
    QCOMPARE(leftovers(dir.path()), QStringList());
}

QTEST_GUILESS_MAIN(TestWholeWrites)
#include "tst_wholewrites.moc"
