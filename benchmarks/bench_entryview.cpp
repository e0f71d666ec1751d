// The entry view's search inside the dictionary, through the real view: the time from the key
// press of a query's last character to the result list showing its answer, on the program's
// own dictionary and on generated entries; and how long the index takes to get ready.
//   bench_entryview [ENTRIES]   (default 1,000,000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "benchclock.h"
#include "dictionarywindow.h"
#include "entrysearch.h"
#include "entrywindow.h"
#include "qtplatform.h"
#include "testservices.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using BenchClock::Clock;
using BenchClock::msSince;
using BenchClock::percentile;

// Words of a made-up language: a headword and its translation of one to three of them.
QStringList vocabulary(std::mt19937& random)
{
    const QStringList syllables { u"ma"_s, u"ro"_s, u"ti"_s, u"que"_s, u"lan"_s, u"sé"_s, u"pho"_s, u"bi"_s, u"ne"_s, u"gra"_s, u"tion"_s,
                                  u"vé"_s, u"cor"_s, u"du"_s, u"mi"_s, u"sa"_s, u"lé"_s, u"psy"_s, u"cho"_s, u"re"_s };
    std::uniform_int_distribution<int> count(2, 4);
    std::uniform_int_distribution<int> pick(0, int(syllables.size()) - 1);
    QSet<QString> words;
    while (words.size() < 20000) {
        QString word;
        for (int i = count(random); i > 0; --i)
            word += syllables[pick(random)];
        words.insert(word);
    }
    return words.values();
}

void writeTables(const QString& directory, int entries, const QStringList& words, std::mt19937& random)
{
    QDir().mkpath(directory + QStringLiteral("/fr"));
    QFile table(directory + QStringLiteral("/fr/PS.txt"));
    QFile udl(directory + QStringLiteral("/d0.UDL"));
    if (!table.open(QIODevice::WriteOnly) || !udl.open(QIODevice::WriteOnly))
        qFatal("cannot write the benchmark tables in %s", qPrintable(directory));
    std::uniform_int_distribution<int> length(1, 3);
    std::uniform_int_distribution<int> pick(0, int(words.size()) - 1);
    const auto phrase = [&] {
        QStringList parts;
        for (int i = length(random); i > 0; --i)
            parts << words[pick(random)];
        return parts.join(u' ');
    };
    QByteArray text = "English,Frensh,num\n";
    for (int i = 0; i < entries; ++i)
        text += phrase().toUtf8() + ',' + phrase().toUtf8() + ',' + QByteArray::number(i) + '\n';
    table.write(text);
    udl.write("Provider=text;Data Source=fr\n");
}

// Opens f1 and its entry view on the data, waits for the index, then times each query.
void measure(const char* what, const QString& data, const QStringList& queries)
{
    TestServices test(data, QStringLiteral(PROGRAM_DIR));
    std::unique_ptr<DictionaryWindow> window(DictionaryWindow::createF1(test.windows));
    window->Form_Load();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        std::fprintf(stderr, "the window was not exposed\n");
    const auto opened = Clock::now();
    EntryWindow* view = window->openEntryView();
    auto* index = view->findChild<EntrySearch*>();
    while (index->state() == EntrySearch::State::Preparing)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const double readyMs = msSince(opened);
    if (index->state() != EntrySearch::State::Ready)
        qFatal("the index did not get ready: %s", qPrintable(index->problem()));
    auto* box = view->findChild<QLineEdit*>(QStringLiteral("entrySearch"));
    auto* results = view->findChild<QListWidget*>(QStringLiteral("entryResults"));
    box->setFocus();
    std::vector<double> times;
    qsizetype found = 0;
    for (const QString& query : queries) {
        box->setText(query.chopped(1));
        QSignalSpy answered(index, &EntrySearch::found);
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, query.right(1));
        const auto pressed = Clock::now();
        QApplication::sendEvent(box, &key);
        while (answered.isEmpty() || answered.last().at(0).toString() != query)
            answered.wait(1000);
        QCoreApplication::processEvents(); // the list filled from the answer
        times.push_back(msSince(pressed));
        found += results->count();
    }
    std::printf("  %s: index ready %.0f ms after the view opened; %lld queries, %.1f results each: median %.2f ms, p95 %.2f ms, worst %.2f ms\n", what,
                readyMs, qlonglong(queries.size()), double(found) / double(queries.size()), percentile(times, 0.5), percentile(times, 0.95),
                percentile(times, 1.0));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    const int entries = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    std::printf("The entry view's search, from the key press to the results shown\n");
    measure("bundled dictionary",
            QDir(QStringLiteral(PROGRAM_DIR)).filePath(QStringLiteral("eVelmoraEFs")),
            { u"withdrawal"_s, u"anxi"_s, u"trouble obs"_s, u"l'oedipe"_s, u"memory"_s, u"schizo"_s, u"dépression"_s, u"apprentissage"_s,
              u"fear"_s, u"attachement"_s, u"stress"_s, u"peur"_s, u"test"_s, u"ps"_s, u"behavior"_s, u"conditionnement"_s, u"troubles"_s,
              u"cognitive"_s, u"émotion"_s, u"the"_s });
    std::mt19937 random(20261210);
    const QStringList words = vocabulary(random);
    QTemporaryDir work;
    writeTables(work.path(), entries, words, random);
    std::uniform_int_distribution<int> pick(0, int(words.size()) - 1);
    std::uniform_int_distribution<int> cut(3, 6);
    QStringList queries;
    for (int i = 0; i < 200; ++i) {
        const QString word = words[pick(random)];
        queries << (i % 2 ? word : word.left(cut(random)));
    }
    measure(qPrintable(QStringLiteral("%1 generated entries").arg(entries)), work.path(), queries);
    return 0;
}
