#include "presentationlauncher.h"

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "mounttable.h"
#include "platform.h"
#include "programfile.h"
#include "windowactivation.h"

namespace {

Failure systemFailure(int number, const QString& path)
{
    return { number, QString::fromLocal8Bit(std::strerror(number)) + QStringLiteral(": ") + path };
}

} // namespace

QString presentationMessage(Presentation presentation, const QString& drive, const Failure& failure)
{
    const bool french = presentation == Presentation::French;
    if (failure.number == FailureNumber::NoSuchFile)
        return (french ? QStringLiteral("Please insert the eVelmoraCS CD in ") : QStringLiteral("Please insert the eVelmoraCS CD in the drive ")) + drive;
    if (french)
        return QStringLiteral("Please Insert the eVelmoraCS CD in ") + drive + u' ' + QString::number(failure.number) + failure.description;
    return QStringLiteral("Please Insert the eVelmoraCS CD in the drive  ") + drive + QString::number(failure.number) + failure.description;
}

PresentationLauncher::PresentationLauncher(OpticalDrives& drives, ProgramStarter& starter, MessagePresenter& presenter)
    : m_drives(drives), m_starter(starter), m_presenter(presenter)
{
}

QString PresentationLauncher::lecteur_cd()
{
    auto drives = m_drives.drives();
    if (!drives) {
        m_presenter.showMessage(failureMessage(drives.failure(), QStringLiteral("label_disque")));
        return QString::fromLatin1(failedSearchDrive);
    }
    return drives->isEmpty() ? QString::fromLatin1(defaultDiscMountPoint) : drives->front();
}

void PresentationLauncher::launch(Presentation presentation)
{
    const QString drive = lecteur_cd();
    const QString program = QDir(drive).filePath(presentation == Presentation::French ? QStringLiteral("mmfr.exe") : QStringLiteral("mmeng.exe"));
    auto started = m_starter.startDetached(program);
    if (!started) {
        m_presenter.showMessage(presentationMessage(presentation, drive, started.failure()));
        return;
    }
    m_starter.activate(*started);
}

#ifdef Q_OS_WIN
Result<QStringList> SystemOpticalDrives::drives()
{
    // The first drive from c: to w: whose type is DRIVE_CDROM.
    for (char letter = 'c'; letter <= 'w'; ++letter) {
        const char drive[] = { letter, ':', '\0' };
        if (GetDriveTypeA(drive) == DRIVE_CDROM)
            return QStringList { QString::fromLatin1(drive) };
    }
    return QStringList();
}
#else
Result<QStringList> SystemOpticalDrives::drives()
{
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (!mounts.open(QIODevice::ReadOnly))
        return Failure { FailureNumber::DiskNotReady, QStringLiteral("Disk not ready: cannot read the mount table /proc/self/mounts: ") + mounts.errorString() };
    return MountTable::opticalMountPoints(mounts.readAll());
}
#endif

Result<qint64> SystemProgramStarter::startDetached(const QString& program)
{
    const QFileInfo info(program);
    if (!info.exists())
        return Failure { FailureNumber::NoSuchFile, QStringLiteral("File not found: ") + program };
    QString command = program;
    QStringList arguments;
#ifndef Q_OS_WIN
    const QByteArray path = QFile::encodeName(program);
    if (::access(path.constData(), X_OK) != 0) {
        const int accessError = errno;
        // A Windows program on the disc runs through Wine, where it is installed.
        const bool windowsProgram = ProgramFile::isWindowsProgram(program);
        const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
        if (!windowsProgram || wine.isEmpty())
            return systemFailure(windowsProgram ? ENOEXEC : accessError, program);
        command = wine;
        arguments = { program };
    }
#endif
    QProcess process;
    process.setProgram(command);
    process.setArguments(arguments);
    process.setWorkingDirectory(info.absolutePath());
    qint64 processId = 0;
    if (!process.startDetached(&processId))
        return Failure { ENOEXEC, process.errorString() + QStringLiteral(": ") + program };
    return processId;
}

void SystemProgramStarter::activate(qint64 processId)
{
    activateWindowOf(processId);
}
