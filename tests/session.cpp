// A whole session with the program's own services, driven as a user would: for running
// under a tracer that watches what the program writes.
//   session DATA_DIRECTORY PROGRAM_DIRECTORY PDF_PATH [--remember]
// With --remember the session also keeps a favourite, zooms a window and turns the history on.
// Messages go to standard output, one per line; the exit status is 0 when every step ran.

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QToolButton>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <future>

#include "dictionarywindow.h"
#include "entrysearch.h"
#include "entrywindow.h"
#include "lookupchannel.h"
#include "programservices.h"
#include "qtplatform.h"
#include "standins.h"
#include "testservices.h"
#include "windowflow.h"

namespace {

bool click(const QString& window, const QString& button)
{
    QWidget* top = visibleWindow(window);
    auto* control = top ? top->findChild<QPushButton*>(button) : nullptr;
    if (!control) {
        std::fprintf(stderr, "no button %s in %s\n", qPrintable(button), qPrintable(window));
        return false;
    }
    QTest::mouseClick(control, Qt::LeftButton);
    return true;
}

bool typeAndSearch(const QString& window, const QString& box, const QString& text)
{
    QWidget* top = visibleWindow(window);
    auto* edit = top ? top->findChild<QLineEdit*>(box) : nullptr;
    if (!edit)
        return false;
    edit->setFocus();
    edit->clear();
    typeText(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
    return true;
}

// The list under the box, the words searched before, and the keys beside the buttons.
bool useTheList(const QString& window, const QString& box, const QString& typo)
{
    QWidget* top = visibleWindow(window);
    auto* edit = top ? top->findChild<QLineEdit*>(box) : nullptr;
    if (!edit)
        return false;
    // Keys of the window reach it only while it is the active one.
    top->activateWindow();
    if (!QTest::qWaitForWindowActive(top)) {
        std::fprintf(stderr, "%s did not become active\n", qPrintable(window));
        return false;
    }
    edit->setFocus();
    edit->clear();
    typeText(edit, typo.left(2)); // entries that begin so
    typeText(edit, typo.mid(2));  // none: the closest ones
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Return);
    for (const Qt::Key key : { Qt::Key_Up, Qt::Key_Up, Qt::Key_Down })
        QTest::keyClick(edit, key, Qt::AltModifier);
    QTest::keyClick(edit, Qt::Key_PageDown);
    QTest::keyClick(edit, Qt::Key_PageUp);
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_L, Qt::ControlModifier);
    typeText(edit, typo.left(3));
    QTest::keyClick(edit, Qt::Key_Escape);
    return true;
}

// A look-up handed over by a second start of the program, as the running one receives it.
bool handOver(WindowFlow& flow, bool english, const std::string& word)
{
    LookupServer server;
    const QString name = LookupChannel::name() + QStringLiteral("-session-%1").arg(QCoreApplication::applicationPid());
    if (!server.listen(name)) {
        std::fprintf(stderr, "cannot listen on %s\n", qPrintable(name));
        return false;
    }
    QObject::connect(&server, &LookupServer::lookUpRequested, &flow,
                     [&flow](bool inEnglish, const QString& asked) { flow.lookUp(inEnglish ? MainWindow::Eng2 : MainWindow::F1, asked); });
    auto handed = std::async(std::launch::async, [&] { return LookupChannel::handOver(name, english, word); });
    while (handed.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QApplication::processEvents();
    QApplication::processEvents();
    if (!handed.get()) {
        std::fprintf(stderr, "the look-up was not taken\n");
        return false;
    }
    return true;
}

// The entry view of a window: a search inside the dictionary, a result taken; with `remember`
// a favourite kept, the history turned on and the window zoomed.
bool useTheEntryView(const QString& window, bool remember)
{
    auto* top = qobject_cast<DictionaryWindow*>(visibleWindow(window));
    if (!top)
        return false;
    EntryWindow* view = top->openEntryView();
    auto* box = view->findChild<QLineEdit*>(QStringLiteral("entrySearch"));
    auto* index = view->findChild<EntrySearch*>();
    QElapsedTimer waited;
    waited.start();
    while (index->state() == EntrySearch::State::Preparing && waited.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (index->state() != EntrySearch::State::Ready) {
        std::fprintf(stderr, "the entry search did not get ready: %s\n", qPrintable(index->problem()));
        return false;
    }
    box->setFocus();
    typeText(box, QStringLiteral("withdrawal"));
    auto* results = view->findChild<QListWidget*>(QStringLiteral("entryResults"));
    for (waited.restart(); results->count() == 0 && waited.elapsed() < 5000;)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    if (results->count() == 0) {
        std::fprintf(stderr, "the entry search found nothing\n");
        return false;
    }
    QTest::keyClick(box, Qt::Key_Return);
    if (remember) {
        view->setTextSize(150);
        QTest::mouseClick(view->findChild<QToolButton*>(QStringLiteral("entryStar")), Qt::LeftButton);
        QTest::mouseClick(view->findChild<QCheckBox*>(QStringLiteral("entryRememberHistory")), Qt::LeftButton);
        top->setZoom(125);
        typeAndSearch(window, top->objectName() == u"f1" ? QStringLiteral("Text_fr") : QStringLiteral("Text_eng"), QStringLiteral("peur"));
        top->setZoom(100);
    }
    view->close();
    return true;
}

// The preview's printer set to a PDF file, then its print.
bool printPreviewTo(const QString& path)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(widget);
        if (!preview || !preview->isVisible())
            continue;
        preview->printer()->setOutputFormat(QPrinter::PdfFormat);
        preview->printer()->setOutputFileName(path);
        preview->findChild<QPrintPreviewWidget*>()->print();
        preview->close();
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const bool remember = argc == 5 && std::strcmp(argv[4], "--remember") == 0;
    if (argc != 4 && !remember) {
        std::fprintf(stderr, "usage: session DATA_DIRECTORY PROGRAM_DIRECTORY PDF_PATH [--remember]\n");
        return 2;
    }
    installFontSubstitutions();
    discardToolkitSettings();
    const QString dataDirectory = QString::fromLocal8Bit(argv[1]);
    const QString programDirectory = QString::fromLocal8Bit(argv[2]);
    const QString pdf = QString::fromLocal8Bit(argv[3]);

    RecordingPresenter presenter;
    presenter.echo = true;
    ProgramServices program(app, dataDirectory, programDirectory, &presenter);
    WindowFlow flow(program.windows(), program.presentations());

    // Modal windows (bibliography, about boxes, the music file dialog) are closed as they open.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    closer.start(20);

    flow.start();
    bool ok = click(QStringLiteral("demarage"), QStringLiteral("cmdVelmora"))
        && click(QStringLiteral("choix"), QStringLiteral("Command1"))
        && typeAndSearch(QStringLiteral("f1"), QStringLiteral("Text_fr"), QStringLiteral("anxiété"))
        && useTheEntryView(QStringLiteral("f1"), remember);
    for (const char* button : { "cmdAvance", "cmdRecule", "cmdPremier", "cmdDernier", "cmdM", "cmdAvanceRapidement",
                                "cmdReculeRapidement", "cmdImprimer" })
        ok = ok && click(QStringLiteral("f1"), QString::fromLatin1(button));
    ok = ok && printPreviewTo(pdf);
    for (const char* button : { "cmdHelp", "cmdPlay", "cmdStop", "cmdParcourir", "cmdBibliography", "cmdPublisher", "CmdWriter" })
        ok = ok && click(QStringLiteral("f1"), QString::fromLatin1(button));
    if (ok) {
        QTest::keyClick(visibleWindow(QStringLiteral("f1")), Qt::Key_F1);
        QApplication::processEvents();
    }
    ok = ok && click(QStringLiteral("f1"), QStringLiteral("cmdAnglais"))
        && typeAndSearch(QStringLiteral("eng2"), QStringLiteral("Text_eng"), QStringLiteral("fear"));
    for (const char* button : { "cmdT", "cmdBibliography", "cmdPublisher", "CmdWriter", "cmdImprimer" })
        ok = ok && click(QStringLiteral("eng2"), QString::fromLatin1(button));
    ok = ok && useTheList(QStringLiteral("eng2"), QStringLiteral("Text_eng"), QStringLiteral("behavour therapy"))
        && handOver(flow, false, "schizofrénie") && useTheList(QStringLiteral("f1"), QStringLiteral("Text_fr"), QStringLiteral("anxeite"))
        && click(QStringLiteral("f1"), QStringLiteral("cmdSortir"));
    for (QWidget* widget : QApplication::topLevelWidgets())
        widget->close();
    QApplication::processEvents();
    return ok ? 0 : 1;
}
