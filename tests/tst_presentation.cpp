#include <csignal>

#include <unistd.h>

#include <QFile>
#include <QTest>

#include "presentationlauncher.h"
#include "standins.h"
#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class GivenDrives final : public OpticalDrives {
public:
    Result<QStringList> drives() override { return result; }
    Result<QStringList> result = QStringList();
};

qint64 parentOf(qint64 processId)
{
    QFile stat(u"/proc/%1/stat"_s.arg(processId));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // The fields after the command name, which stands in parentheses: state, then parent.
    return text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toLongLong();
}

} // namespace

class TestPresentation : public QObject {
    Q_OBJECT

private slots:
    void driveSearch();
    void messages_data();
    void messages();
    void startsDetachedInstances();
    void failedStarts();
};

void TestPresentation::driveSearch()
{
    GivenDrives drives;
    SystemProgramStarter starter;
    RecordingPresenter presenter;
    PresentationLauncher launcher(drives, starter, presenter);
    QCOMPARE(launcher.lecteur_cd(), u"/media/cdrom"_s);
    drives.result = QStringList { u"/media/d"_s, u"/media/f"_s };
    QCOMPARE(launcher.lecteur_cd(), u"/media/d"_s);
    // Two drives, the disc in the second: the first is tried and the message names it.
    launcher.launch(Presentation::French);
    QCOMPARE(presenter.messages, QStringList { u"Please insert the eVelmoraCS CD in /media/d"_s });

    drives.result = Failure { 71, u"Disk not ready: cannot read the mount table"_s };
    presenter.messages.clear();
    QCOMPARE(launcher.lecteur_cd(), u"/"_s);
    QCOMPARE(presenter.messages, QStringList { u"71Disk not ready: cannot read the mount tablelabel_disque"_s });
}

void TestPresentation::messages_data()
{
    QTest::addColumn<bool>("french");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message");
    QTest::newRow("French, no program") << true << 53 << u"Please insert the eVelmoraCS CD in /media/cdrom"_s;
    QTest::newRow("French, other") << true << 13 << u"Please Insert the eVelmoraCS CD in /media/cdrom 13Permission denied"_s;
    QTest::newRow("English, no program") << false << 53 << u"Please insert the eVelmoraCS CD in the drive /media/cdrom"_s;
    QTest::newRow("English, other") << false << 13 << u"Please Insert the eVelmoraCS CD in the drive  /media/cdrom13Permission denied"_s;
}

void TestPresentation::messages()
{
    QFETCH(bool, french);
    QFETCH(int, number);
    QFETCH(QString, message);
    const Failure failure { number, number == 53 ? u"File not found"_s : u"Permission denied"_s };
    QCOMPARE(presentationMessage(french ? Presentation::French : Presentation::English, u"/media/cdrom"_s, failure), message);
}

void TestPresentation::startsDetachedInstances()
{
    QTemporaryDir disc;
    writeTextFile(disc.path(), u"mmfr.exe"_s, "#!/bin/sh\necho $$ >> \"$(dirname \"$0\")/started\"\nexec sleep 30\n");
    QFile::setPermissions(disc.filePath(u"mmfr.exe"_s), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    GivenDrives drives;
    drives.result = QStringList { disc.path() };
    SystemProgramStarter starter;
    RecordingPresenter presenter;
    PresentationLauncher launcher(drives, starter, presenter);
    launcher.launch(Presentation::French);
    launcher.launch(Presentation::French);
    const auto startedProcesses = [&disc] {
        QFile started(disc.filePath(u"started"_s));
        return started.open(QIODevice::ReadOnly) ? started.readAll().trimmed().split('\n') : QList<QByteArray>();
    };
    QTRY_COMPARE_WITH_TIMEOUT(startedProcesses().size(), 2, 10000);
    const QList<QByteArray> pids = startedProcesses();
    QCOMPARE(presenter.messages, QStringList());
    for (const QByteArray& pid : pids) {
        // Running, and not a child of the dictionary: it outlives it.
        QVERIFY(::kill(pid.toInt(), 0) == 0);
        QVERIFY(parentOf(pid.toLongLong()) != ::getpid());
        ::kill(pid.toInt(), SIGTERM);
    }
}

void TestPresentation::failedStarts()
{
    QTemporaryDir disc;
    writeTextFile(disc.path(), u"mmeng.exe"_s, "not a program\n");
    GivenDrives drives;
    drives.result = QStringList { disc.path() };
    SystemProgramStarter starter;
    RecordingPresenter presenter;
    PresentationLauncher launcher(drives, starter, presenter);
    launcher.launch(Presentation::French); // no mmfr.exe on this disc
    launcher.launch(Presentation::English); // there, but not a program
    QCOMPARE(presenter.messages.size(), 2);
    QCOMPARE(presenter.messages[0], u"Please insert the eVelmoraCS CD in "_s + disc.path());
    QCOMPARE(presenter.messages[1], u"Please Insert the eVelmoraCS CD in the drive  "_s + disc.path() + u"13Permission denied: "_s
                 + disc.filePath(u"mmeng.exe"_s));
}

QTEST_GUILESS_MAIN(TestPresentation)
#include "tst_presentation.moc"
