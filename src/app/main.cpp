#include <QApplication>
#include <QIcon>
#include <QStyleFactory>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>

#include "commandline.h"
#include "compactwindow.h"
#include "displaycheck.h"
#include "lookupchannel.h"
#include "programplaces.h"
#include "programservices.h"
#include "qtplatform.h"
#include "selectionlookup.h"
#include "textselection.h"
#include "windowflow.h"

int main(int argc, char* argv[])
{
    const CommandLine command = CommandLine::parse(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.action) {
    case CommandLine::Action::Help:
        std::fputs("evelmora: a French-English dictionary of psychological sciences\n\n", stdout);
        std::fputs(CommandLine::usage(), stdout);
        return 0;
    case CommandLine::Action::Version:
        std::printf("evelmora %s\n", EVELMORA_VERSION);
        return 0;
    case CommandLine::Action::Usage:
        std::fprintf(stderr, "evelmora: %s\n", command.problem.c_str());
        std::fputs(CommandLine::usage(), stderr);
        return 2;
    case CommandLine::Action::LookUp:
        // The program already running for this user shows it.
        if (LookupChannel::handOver(LookupChannel::name(), command.english, command.word))
            return 0;
        break;
    case CommandLine::Action::LookUpSelection: // the selection needs the display
    case CommandLine::Action::Start:
        break;
    }

    DisplayCheck display;
    if (const auto& problem = display.problem()) {
        std::fprintf(stderr, "evelmora: %s\n", qPrintable(*problem));
        return 1;
    }
    if (!display.platform().isEmpty())
        qputenv("QT_QPA_PLATFORM", display.platform());
    // Qt takes its own options from the command line; ours were read above.
    int qtArguments = 1;
    QApplication app(qtArguments, argv);
    display.release();
    QApplication::setApplicationName(QStringLiteral("eVelmoraEFs"));
    // The desktop entry and icon the desktop knows the program by; every window shows the icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.evelmora.Evelmora"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/data/desktop/org.evelmora.Evelmora.svg")));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    installFontSubstitutions();
    discardToolkitSettings();

    const ProgramPlaces places = ProgramPlaces::find(QCoreApplication::applicationDirPath(),
        QStringLiteral(EVELMORA_DATA_DIR), [](const char* name) { return qEnvironmentVariable(name); });

    std::optional<SelectionLookUp> selection;
    if (command.action == CommandLine::Action::LookUpSelection) {
        DesktopSelection desktop;
        selection.emplace(desktop, command, places.dataDirectory);
        if (selection->problem()) {
            std::fprintf(stderr, "evelmora: %s\n", qPrintable(*selection->problem()));
            // Started from a desktop shortcut, nobody reads standard error: the window says it.
            if (::isatty(STDERR_FILENO))
                return 1;
        } else if (selection->handOver(LookupChannel::name())) {
            return 0;
        }
    }

    ProgramServices program(app, places.dataDirectory, places.programDirectory);
    WindowFlow flow(program.windows(), program.presentations());
    LookupServer lookups;
    lookups.listen(LookupChannel::name()); // another start may already listen: look-ups then go there
    const auto inWindow = [&flow](bool english, const QString& word) { flow.lookUp(english ? MainWindow::Eng2 : MainWindow::F1, word); };
    std::unique_ptr<CompactWindow> compact;
    QObject::connect(
        &lookups, &LookupServer::lookUpRequested, &flow, [&inWindow, &compact](bool english, const QString& word) {
            // A look-up while only the compact window is up replaces its entry.
            if (compact && compact->isVisible()) {
                compact->lookUp(english, word);
                compact->showNearPointer();
            } else {
                inWindow(english, word);
            }
        });
    if (selection) {
        compact = selection->window();
        QObject::connect(compact.get(), &CompactWindow::openRequested, &flow, inWindow);
        compact->showNearPointer();
    } else if (command.action == CommandLine::Action::LookUp)
        flow.lookUp(command.english ? MainWindow::Eng2 : MainWindow::F1, QString::fromStdString(command.word));
    else
        flow.start();
    return QApplication::exec();
}
