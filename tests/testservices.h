#pragma once

#include <QString>
#include <QStringList>

#include "applicationhelpfile.h"
#include "dictionarywindow.h"
#include "presentationlauncher.h"
#include "printing.h"
#include "qtreportviewer.h"
#include "standins.h"

class QWidget;

// One disc, mounted at /media/disc.
class OneDisc final : public OpticalDrives {
public:
    Result<QStringList> drives() override { return QStringList { QStringLiteral("/media/disc") }; }
};

// Records the programs it is asked to start; with `refuse` set it cannot start any.
class RecordingStarter final : public ProgramStarter {
public:
    Result<qint64> startDetached(const QString& program) override;
    void activate(qint64) override { }
    QStringList started;
    bool refuse = false;
};

// What a test of the windows hands them: stand-ins that record what the windows ask for, the
// program's own report preview, one disc and a starter that records.
struct TestServices final {
    TestServices(const QString& dataDirectory, const QString& programDirectory);
    TestServices(const TestServices&) = delete;
    TestServices& operator=(const TestServices&) = delete;

    RecordingPresenter presenter;
    RecordingBusyPointer busy;
    PrintableTerms terms;
    QtReportViewer viewer { presenter };
    RecordingHelpViewer help;
    ApplicationHelpFile helpFile { QStringLiteral("efENG.chm") };
    WindowServices windows;
    OneDisc drives;
    RecordingStarter starter;
    PresentationLauncher presentations { drives, starter, presenter };
};

// The visible top-level window of that name, or null.
QWidget* visibleWindow(const QString& name);

// Types text as a keyboard would, one key event per character, accents included (QTest's own
// key clicks cannot carry every character).
void typeText(QWidget* widget, const QString& text);
