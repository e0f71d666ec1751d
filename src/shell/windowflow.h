#pragma once

#include <functional>
#include <map>

#include <QObject>
#include <QPointer>

#include "toolkitlanguage.h"

class PresentationLauncher;
class QWidget;
struct WindowServices;

enum class MainWindow { Demarage, Choix, F1, Eng2 };

// The main windows and the moves between them. Each is a single instance, created and
// loaded when shown and destroyed when closed; after start-up one of them is open at a time,
// and the program ends when the last one closes.
class WindowFlow final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WindowFlow)

public:
    // Creates and loads a main window; the flow wires its buttons.
    using Factory = std::function<QWidget*(MainWindow)>;

    WindowFlow(WindowServices& services, PresentationLauncher& presentations, Factory factory = {});
    ~WindowFlow() override;

    // The start-up procedure: shows demarage and returns.
    void start();

    // The open instance, or null.
    QWidget* window(MainWindow which) const;

    // Shows `target` (loading it first), then closes `source`; the busy pointer covers the
    // load. With closeFirst the source is closed before the pointer is restored.
    void switchWindow(QWidget* source, MainWindow target, const QString& operation, bool closeFirst = false);

    // A look-up from outside (the command line, another start of the program): the dictionary
    // window of that direction, shown in place of the window open, raised, with the search done.
    void lookUp(MainWindow which, const QString& word);

    enum class Secondary { Bibliography, Publisher, Writer };
    // The opening handlers of the dictionary windows: hourglass, load, modal show, default pointer.
    void openSecondary(Secondary which, bool french);

    // The windows as the program builds them.
    static QWidget* createWindow(WindowServices& services, MainWindow which);

private:
    QWidget* show(MainWindow which);
    void wire(MainWindow which, QWidget* window);

    WindowServices& m_services;
    PresentationLauncher& m_presentations;
    Factory m_factory;
    std::map<MainWindow, QPointer<QWidget>> m_windows;
    ToolkitLanguage m_toolkitLanguage;
};
