#include "windowflow.h"

#include <new>

#include <QApplication>
#include <QScopeGuard>
#include <QTimer>

#include "centrerform.h"
#include "choicewindow.h"
#include "dictionarywindow.h"
#include "failure.h"
#include "platform.h"
#include "presentationlauncher.h"
#include "productcontent.h"
#include "secondarywindows.h"
#include "welcomewindow.h"

WindowFlow::WindowFlow(WindowServices& services, PresentationLauncher& presentations, Factory factory)
    : m_services(services), m_presentations(presentations), m_factory(std::move(factory))
{
    if (!m_factory)
        m_factory = [&services](MainWindow which) { return createWindow(services, which); };
}

WindowFlow::~WindowFlow() = default;

QWidget* WindowFlow::createWindow(WindowServices& services, MainWindow which)
{
    switch (which) {
    case MainWindow::Demarage: {
        auto* window = new WelcomeWindow(services.presenter, services.programDirectory, services.buttonPointer);
        window->Form_Load();
        return window;
    }
    case MainWindow::Choix: {
        auto* window = new ChoiceWindow(services.presenter, services.buttonPointer);
        window->Form_Load();
        return window;
    }
    case MainWindow::F1:
    case MainWindow::Eng2: {
        auto* window = which == MainWindow::F1 ? DictionaryWindow::createF1(services) : DictionaryWindow::createEng2(services);
        window->Form_Load();
        return window;
    }
    }
    return nullptr;
}

void WindowFlow::start()
{
    show(MainWindow::Demarage);
}

QWidget* WindowFlow::window(MainWindow which) const
{
    const auto found = m_windows.find(which);
    return found == m_windows.end() ? nullptr : found->second.data();
}

QWidget* WindowFlow::show(MainWindow which)
{
    // The toolkit's dialogs opened from here speak the window's language.
    if (which == MainWindow::F1 || which == MainWindow::Eng2)
        m_toolkitLanguage.useFrench(which == MainWindow::F1);
    QWidget* target = window(which);
    // A closed window waits for its deletion; showing it again would skip its load.
    if (target && target->isHidden())
        target = nullptr;
    if (!target) {
        target = m_factory(which);
        target->setAttribute(Qt::WA_DeleteOnClose);
        m_windows[which] = target;
        wire(which, target);
        centrer_form(*target);
    }
    target->show();
    target->raise();
    target->activateWindow();
    return target;
}

void WindowFlow::switchWindow(QWidget* source, MainWindow target, const QString& operation, bool closeFirst)
{
    m_services.busyPointer.setHourglass();
    auto restore = qScopeGuard([this] { m_services.busyPointer.setDefault(); });
    try {
        show(target);
    } catch (const std::bad_alloc&) {
        restore.dismiss();
        m_services.busyPointer.setDefault();
        m_services.presenter.showMessage(failureMessage({ FailureNumber::OutOfMemory, QStringLiteral("Out of memory") }, operation));
        return;
    } catch (const std::exception& error) {
        restore.dismiss();
        m_services.busyPointer.setDefault();
        // The source stays open: the user is never left without a window.
        m_services.presenter.showMessage(failureMessage({ FailureNumber::InternalError, QStringLiteral("Internal error: ") + QString::fromLocal8Bit(error.what()) }, operation));
        return;
    }
    if (closeFirst) {
        source->close();
        return; // the guard restores the pointer after the close
    }
    restore.dismiss();
    m_services.busyPointer.setDefault();
    source->close();
}

void WindowFlow::wire(MainWindow which, QWidget* window)
{
    const auto switchTo = [this, window](MainWindow target, const QString& operation, bool closeFirst = false) {
        return [=, this] { switchWindow(window, target, operation, closeFirst); };
    };
    if (auto* welcome = qobject_cast<WelcomeWindow*>(window)) {
        connect(welcome, &WelcomeWindow::enterRequested, this, switchTo(MainWindow::Choix, QStringLiteral("cmdVelmora_Click")));
    } else if (auto* choice = qobject_cast<ChoiceWindow*>(window)) {
        connect(choice, &ChoiceWindow::englishRequested, this, switchTo(MainWindow::Eng2, QStringLiteral("cmdVelmoraEng_Click")));
        connect(choice, &ChoiceWindow::frenchRequested, this, switchTo(MainWindow::F1, QStringLiteral("Command1_Click")));
        connect(choice, &ChoiceWindow::backRequested, this, switchTo(MainWindow::Demarage, QStringLiteral("cmdRetour_Click")));
        connect(choice, &ChoiceWindow::frenchPresentationRequested, this, [this] { m_presentations.launch(Presentation::French); });
        connect(choice, &ChoiceWindow::englishPresentationRequested, this, [this] { m_presentations.launch(Presentation::English); });
    } else if (auto* dictionary = qobject_cast<DictionaryWindow*>(window)) {
        const bool french = which == MainWindow::F1;
        connect(dictionary, &DictionaryWindow::otherDirectionRequested, this,
                switchTo(french ? MainWindow::Eng2 : MainWindow::F1, french ? QStringLiteral("cmdAnglais_Click") : QStringLiteral("cmdFrensh_Click")));
        connect(dictionary, &DictionaryWindow::backRequested, this, switchTo(MainWindow::Choix, QStringLiteral("cmdRetour_Click"), true));
        connect(dictionary, &DictionaryWindow::bibliographyRequested, this, [this, french] { openSecondary(Secondary::Bibliography, french); });
        connect(dictionary, &DictionaryWindow::publisherRequested, this, [this, french] { openSecondary(Secondary::Publisher, french); });
        connect(dictionary, &DictionaryWindow::writerRequested, this, [this, french] { openSecondary(Secondary::Writer, french); });
    }
}

void WindowFlow::lookUp(MainWindow which, const QString& word)
{
    // A window over the open one waits in its own event loop: close it, and look up once it
    // has returned.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
        QTimer::singleShot(0, this, [this, which, word] { lookUp(which, word); });
        return;
    }
    QWidget* open = nullptr;
    for (const auto& [kind, window] : m_windows) {
        if (window && window->isVisible())
            open = window;
    }
    QWidget* target = window(which);
    if (!open) {
        target = show(which);
    } else if (open != target || target->isHidden()) {
        switchWindow(open, which, which == MainWindow::F1 ? QStringLiteral("Command1_Click") : QStringLiteral("cmdVelmoraEng_Click"));
        target = window(which);
    }
    if (!target || target->isHidden())
        return; // the switch failed and said why
    if (auto* dictionary = qobject_cast<DictionaryWindow*>(target))
        dictionary->lookUp(word);
    target->raise();
    target->activateWindow();
}

void WindowFlow::openSecondary(Secondary which, bool french)
{
    m_services.busyPointer.setHourglass();
    std::unique_ptr<SecondaryWindow> window;
    if (which == Secondary::Bibliography) {
        window = std::make_unique<BibliographyWindow>(m_services.busyPointer, m_services.presenter, m_services.programDirectory);
        window->Form_Load();
        if (!french)
            window->setWindowTitle(QStringLiteral("Bibliography"));
    } else {
        // The particulars are read afresh at each opening; without them the window opens empty.
        auto content = ProductContent::read(m_services.programDirectory);
        if (!content)
            m_services.presenter.showMessage(failureMessage(content.failure(), QStringLiteral("Form_Load")));
        const ProductContent particulars = content ? *content : ProductContent();
        if (which == Secondary::Publisher)
            window = std::make_unique<PublisherWindow>(m_services.busyPointer, french, particulars, m_services.buttonPointer);
        else
            window = std::make_unique<WriterWindow>(m_services.busyPointer, french, particulars, m_services.buttonPointer);
        window->Form_Load();
    }
    window->exec();
    window.reset();
    m_services.busyPointer.setDefault();
}
