#pragma once

#include <QString>
#include <QStringList>

#include "failure.h"

class MessagePresenter;

// The mounted optical media, in a fixed order.
class OpticalDrives {
public:
    virtual ~OpticalDrives() = default;
    virtual Result<QStringList> drives() = 0;
};

// Starts a program as a process of its own that outlives the dictionary, and brings its
// window forward when one appears.
class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    virtual Result<qint64> startDetached(const QString& program) = 0;
    virtual void activate(qint64 processId) = 0;
};

// The drive named when no optical disc is found, and the one used when the search itself
// fails.
#ifdef Q_OS_WIN
inline constexpr const char* defaultDiscMountPoint = "w:";
inline constexpr const char* failedSearchDrive = "C:";
#else
inline constexpr const char* defaultDiscMountPoint = "/media/cdrom";
inline constexpr const char* failedSearchDrive = "/";
#endif

// The drive text and program of the two presentations.
enum class Presentation { French, English };

// The message for a failed start: error 53 asks for the disc, any other adds number and
// description. The blanks are as the messages always had them.
QString presentationMessage(Presentation presentation, const QString& drive, const Failure& failure);

class PresentationLauncher final {
public:
    PresentationLauncher(OpticalDrives& drives, ProgramStarter& starter, MessagePresenter& presenter);

    // The first optical medium; the default mount point when there is none; "/" after a
    // failure of the search itself, which is reported under "label_disque".
    QString lecteur_cd();

    void launch(Presentation presentation);

private:
    OpticalDrives& m_drives;
    ProgramStarter& m_starter;
    MessagePresenter& m_presenter;
};

// The platform's own: the mount table (on Windows the CD-ROM drives c: to w:), and detached
// processes.
class SystemOpticalDrives final : public OpticalDrives {
public:
    Result<QStringList> drives() override;
};

class SystemProgramStarter final : public ProgramStarter {
public:
    Result<qint64> startDetached(const QString& program) override;
    void activate(qint64 processId) override;
};
