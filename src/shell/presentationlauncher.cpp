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

#include "platform.h"
#include "windowactivation.h"

namespace {

constexpr int fileNotFound = 53;

// Mount points write blanks, tabs, newlines and backslashes as octal escapes.
QString decodeMountField(const QByteArray& field)
{
    QByteArray decoded;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && code < 256) {
                decoded.append(static_cast<char>(code));
                i += 3;
                continue;
            }
        }
        decoded.append(field[i]);
    }
    return QString::fromUtf8(decoded);
}

bool isOpticalDevice(const QByteArray& device)
{
    return device.startsWith("/dev/sr") || device.startsWith("/dev/scd") || device.startsWith("/dev/cdrom") || device.startsWith("/dev/dvd");
}

Failure systemFailure(int number, const QString& path)
{
    return { number, QString::fromLocal8Bit(std::strerror(number)) + QStringLiteral(": ") + path };
}

} // namespace

QStringList opticalMountPoints(const QByteArray& mounts)
{
    QStringList points;
    for (const QByteArray& line : mounts.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3)
            continue;
        const QByteArray& type = fields[2];
        if (type == "iso9660" || type == "udf" || isOpticalDevice(fields[0]))
            points.append(decodeMountField(fields[1]));
    }
    points.sort();
    points.removeDuplicates();
    return points;
}

QString presentationMessage(Presentation presentation, const QString& drive, const Failure& failure)
{
    const bool french = presentation == Presentation::French;
    if (failure.number == fileNotFound)
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
        return Failure { 71, QStringLiteral("Disk not ready: cannot read the mount table /proc/self/mounts: ") + mounts.errorString() };
    return opticalMountPoints(mounts.readAll());
}
#endif

Result<qint64> SystemProgramStarter::startDetached(const QString& program)
{
    const QFileInfo info(program);
    if (!info.exists())
        return Failure { fileNotFound, QStringLiteral("File not found: ") + program };
    QString command = program;
    QStringList arguments;
#ifndef Q_OS_WIN
    const QByteArray path = QFile::encodeName(program);
    if (::access(path.constData(), X_OK) != 0) {
        const int accessError = errno;
        // A Windows program on the disc runs through Wine, where it is installed.
        QFile file(program);
        const bool windowsProgram = file.open(QIODevice::ReadOnly) && file.read(2) == "MZ";
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
