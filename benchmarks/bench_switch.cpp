// A switch from the choice window into the French-to-English window on the bundled sample,
// until the window is shown and painted; the median of ten.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QTest>

#include "qtplatform.h"
#include "testservices.h"
#include "windowflow.h"


int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    const QString program = QStringLiteral(PROGRAM_DIR);
    TestServices test(QDir(program).filePath(QStringLiteral("eVelmoraEFs")), program);
    test.presenter.echo = true;
    WindowServices& services = test.windows;
    PresentationLauncher& presentations = test.presentations;
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
