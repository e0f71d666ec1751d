#include <QApplication>
#include <QDir>
#include <QStyleFactory>

#include <cstdio>

#include "applicationhelpfile.h"
#include "buttonpointer.h"
#include "dictionarywindow.h"
#include "displaycheck.h"
#include "helpviewer.h"
#include "presentationlauncher.h"
#include "printing.h"
#include "qtplatform.h"
#include "qtreportviewer.h"
#include "systemmediaplayer.h"
#include "windowflow.h"

int main(int argc, char* argv[])
{
    DisplayCheck display;
    if (const auto& problem = display.problem()) {
        std::fprintf(stderr, "evelmora: %s\n", qPrintable(*problem));
        return 1;
    }
    QApplication app(argc, argv);
    display.release();
    QApplication::setApplicationName(QStringLiteral("eVelmoraEFs"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    installFontSubstitutions();
    discardToolkitSettings();

    // The data directory is fixed when the program is built; a relative one lies in the
    // program directory.
    const QString programDirectory = QCoreApplication::applicationDirPath();
    const QString dataDirectory = QDir::cleanPath(QDir(programDirectory).absoluteFilePath(QStringLiteral(EVELMORA_DATA_DIR)));

    QtMessagePresenter presenter;
    QtBusyPointer busyPointer;
    ApplicationHelpFile helpFile(QDir(dataDirectory).filePath(QStringLiteral("efENG.chm")));
    PrintableTerms terms;
    QtReportViewer reportViewer(presenter);
    QtHelpViewer helpViewer;
    HelpKey helpKey(helpFile, helpViewer);
    app.installEventFilter(&helpKey);
    WindowServices services { presenter,
                              busyPointer,
                              helpFile,
                              terms,
                              reportViewer,
                              helpViewer,
                              [] { return std::make_unique<SystemMediaPlayer>(); },
                              [] { return std::make_unique<QtFileOpenDialog>(); },
                              dataDirectory,
                              programDirectory,
                              pointingHandPointer() };

    SystemOpticalDrives drives;
    SystemProgramStarter starter;
    PresentationLauncher presentations(drives, starter, presenter);
    WindowFlow flow(services, presentations);
    flow.start();
    return QApplication::exec();
}
