// A word selected in another program, looked up with the program running: from the start of
// `evelmora --selection` (what a desktop shortcut's key press runs) to the running window's
// boxes showing the entry. The running program is this process, with the real windows and the
// real hand-over channel; the selection is held by xclip on the display the benchmark runs on.
//   bench_selection   (DISPLAY must name an X server: the bench script starts Xvfb)
#include <algorithm>
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>

#include "benchclock.h"
#include "dictionarywindow.h"
#include "lookupchannel.h"
#include "qtplatform.h"
#include "testservices.h"
#include "windowflow.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using BenchClock::Clock;
using BenchClock::msSince;
using BenchClock::percentile;

// Both boxes of every dictionary window shown, to tell when one changed.
QString shown()
{
    QString text;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!qobject_cast<DictionaryWindow*>(window) || !window->isVisible())
            continue;
        text += window->objectName() + u'\t';
        for (const char* name : { "Text_fr", "Text_en" }) {
            if (auto* box = window->findChild<QLineEdit*>(QLatin1StringView(name)))
                text += box->text() + u'\t';
        }
    }
    return text;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    TestServices test(QDir(QStringLiteral(PROGRAM_DIR)).filePath(u"eVelmoraEFs"_s), QStringLiteral(PROGRAM_DIR));
    WindowFlow flow(test.windows, test.presentations);
    LookupServer lookups;
    if (!lookups.listen(LookupChannel::name()))
        qFatal("another program listens on the hand-over channel");
    QObject::connect(&lookups, &LookupServer::lookUpRequested, &flow,
                     [&flow](bool english, const QString& word) { flow.lookUp(english ? MainWindow::Eng2 : MainWindow::F1, word); });
    flow.lookUp(MainWindow::F1, u"abandon"_s);

    // French and English words, each one a change of entry.
    const QStringList words { u"anxiété"_s, u"anxiety"_s, u"délire"_s, u"delusion"_s, u"schizophrénie"_s, u"memory"_s, u"angoisse"_s,
                              u"fear"_s, u"apprentissage"_s, u"learning"_s, u"sevrage"_s, u"withdrawal"_s, u"attachement"_s,
                              u"attachment"_s, u"refoulement"_s, u"repression"_s, u"stress"_s, u"burnout"_s, u"dépression"_s, u"depression"_s };
    std::vector<double> times;
    QProcess owner;
    for (const QString& word : words) {
        // The selection, held by xclip until the next one takes it.
        owner.kill();
        owner.waitForFinished(5000);
        owner.setProcessChannelMode(QProcess::MergedChannels);
        owner.start(u"xclip"_s, { u"-quiet"_s, u"-selection"_s, u"primary"_s });
        owner.write((u"  "_s + word + u", "_s).toUtf8());
        owner.closeWriteChannel();
        if (!owner.waitForReadyRead(5000))
            qFatal("xclip does not hold the selection");
        const QString before = shown();
        QProcess program;
        const auto pressed = Clock::now();
        program.start(QStringLiteral(PROGRAM), { u"--selection"_s });
        while (shown() == before && msSince(pressed) < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const double ms = msSince(pressed);
        program.waitForFinished(10000);
        if (shown() == before || program.exitCode() != 0)
            qFatal("\"%s\" was not shown (the program ended with %d)", qPrintable(word), program.exitCode());
        times.push_back(ms);
    }
    owner.kill();
    owner.waitForFinished(5000);
    std::printf("A selected word looked up in the running program, from evelmora --selection to the entry shown:\n"
                "  %zu words: median %.1f ms, p95 %.1f ms, worst %.1f ms (goal: under 300 ms)\n",
                times.size(), percentile(times, 0.5), percentile(times, 0.95), percentile(times, 1.0));
    return 0;
}
