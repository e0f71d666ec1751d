#include <QApplication>
#include <QDir>
#include <QStyleFactory>

#include <cstdio>

#include "displaycheck.h"
#include "programservices.h"
#include "qtplatform.h"
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

    ProgramServices program(app, dataDirectory, programDirectory);
    WindowFlow flow(program.windows(), program.presentations());
    flow.start();
    return QApplication::exec();
}
