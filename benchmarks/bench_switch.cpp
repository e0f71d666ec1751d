// A switch from the choice window into the French-to-English window on the bundled sample,
// until the window is shown and painted; the median of ten.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QTest>

#include "applicationhelpfile.h"
#include "dictionarywindow.h"
#include "helpviewer.h"
#include "music.h"
#include "presentationlauncher.h"
#include "printing.h"
#include "qtplatform.h"
#include "qtreportviewer.h"
#include "windowflow.h"

namespace {

class Quiet final : public MessagePresenter {
public:
    void showMessage(const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
};
class NoPointer final : public BusyPointer {
public:
    void setHourglass() override { }
    void setDefault() override { }
};
class NoHelp final : public HelpViewer {
public:
    void openHelpFile(const QString&) override { }
};
class NoPlayer final : public MediaPlayer {
public:
    Outcome setFileName(const QString&) override { return std::nullopt; }
    Outcome stop() override { return std::nullopt; }
    Outcome play() override { return std::nullopt; }
};
class NoDialog final : public FileOpenDialog {
public:
    Result<QString> showOpen(const QString&) override { return Failure { 32755, QString() }; }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    const QString program = QStringLiteral(PROGRAM_DIR);
    Quiet presenter;
    NoPointer pointer;
    ApplicationHelpFile help(QString {});
    PrintableTerms terms;
    QtReportViewer reports(presenter);
    NoHelp helpViewer;
    WindowServices services { presenter, pointer, help, terms, reports, helpViewer,
                              [] { return std::make_unique<NoPlayer>(); }, [] { return std::make_unique<NoDialog>(); },
                              QDir(program).filePath(QStringLiteral("eVelmoraEFs")), program, QCursor() };
    SystemOpticalDrives drives;
    SystemProgramStarter starter;
    PresentationLauncher presentations(drives, starter, presenter);
    std::vector<double> times;
    for (int run = 0; run < 10; ++run) {
        WindowFlow flow(services, presentations);
        flow.start();
        flow.switchWindow(flow.window(MainWindow::Demarage), MainWindow::Choix, QString());
        QTest::qWait(20);
        const auto start = std::chrono::steady_clock::now();
        flow.switchWindow(flow.window(MainWindow::Choix), MainWindow::F1, QString());
        QWidget* f1 = flow.window(MainWindow::F1);
        if (!QTest::qWaitForWindowExposed(f1))
            std::fprintf(stderr, "f1 was not exposed\n");
        f1->repaint();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        f1->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::sort(times.begin(), times.end());
    std::printf("switch into f1 on the sample: median %.1f ms (min %.1f, max %.1f) over %zu runs\n", times[times.size() / 2], times.front(),
                times.back(), times.size());
}
