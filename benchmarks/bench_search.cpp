// Opening a window's cursors and searching, on generated dictionaries of 7,000, 100,000 and
// 1,000,000 entries. Run: build/bin/bench_search
#include <algorithm>
#include <map>
#include <random>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "cursor.h"
#include "dictionarycollation.h"
#include "dictionaryoperations.h"
#include "direction.h"
#include "platform.h"
#include "windowdata.h"

namespace {

class NullView final : public EntryView {
public:
    QString sourceText() const override { return word; }
    void setEnglishText(const QString& text) override { english = text; }
    void setFrenchText(const QString&) override { }
    void focusSource() override { }
    void setWindowBusy(bool) override { }
    QString word;
    QString english;
};

class CountingPresenter final : public MessagePresenter {
public:
    void showMessage(const QString&) override { ++messages; }
    int messages = 0;
};

class NoPointer final : public BusyPointer {
public:
    void setHourglass() override { }
    void setDefault() override { }
};

// Terms use the letters a to w only, so a word continued with x matches no longer beginning.
QString term(std::mt19937& random)
{
    std::uniform_int_distribution<int> length(6, 14);
    std::uniform_int_distribution<int> letter(0, 22);
    QString text;
    for (int i = length(random); i > 0; --i)
        text += QChar(u'a' + letter(random));
    return text;
}

QString dataDirectory(int entries)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> directories;
    auto& dir = directories[entries];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        std::mt19937 random(entries);
        QStringList french;
        for (int i = 0; i < entries; ++i)
            french.append(term(random));
        std::sort(french.begin(), french.end(), [](const QString& a, const QString& b) { return DictionaryCollation::compare(a, b) < 0; });
        QByteArray table = "English,Frensh,num\n";
        for (int i = 0; i < entries; ++i)
            table += "en" + french[i].toUtf8() + ',' + french[i].toUtf8() + ',' + QByteArray::number(i) + '\n';
        QDir(dir->path()).mkpath(QStringLiteral("fr"));
        QFile tableFile(dir->filePath(QStringLiteral("fr/PS.txt")));
        QFile udl(dir->filePath(QStringLiteral("d0.UDL")));
        if (!tableFile.open(QIODevice::WriteOnly) || !udl.open(QIODevice::WriteOnly))
            qFatal("cannot write the benchmark tables");
        tableFile.write(table);
        udl.write("Provider=text;Data Source=fr\n");
    }
    return dir->path();
}

qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

void BM_OpenCursors(benchmark::State& state)
{
    const QString dir = dataDirectory(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        WindowData data = WindowData::open(Direction::frenchToEnglish(), dir);
        if (data.loadFailure)
            state.SkipWithError(qPrintable(data.loadFailure->description));
        benchmark::DoNotOptimize(data);
    }
    state.counters["peak_MiB"] = static_cast<double>(peakResidentKiB()) / 1024.0;
}

void search(benchmark::State& state, const QString& word, bool expectFound)
{
    const QString dir = dataDirectory(static_cast<int>(state.range(0)));
    WindowData data = WindowData::open(Direction::frenchToEnglish(), dir);
    NullView view;
    CountingPresenter presenter;
    NoPointer pointer;
    DictionaryOperations operations(Direction::frenchToEnglish(), *data.browse, *data.lookup, data.letterStarts, view, presenter, pointer);
    view.word = word;
    for (auto _ : state)
        operations.afficher_resultat();
    if (presenter.messages > 0 || view.english.isEmpty() != !expectFound)
        state.SkipWithError("the search did not find its entry");
    state.counters["peak_MiB"] = static_cast<double>(peakResidentKiB()) / 1024.0;
}

void BM_ExactSearch(benchmark::State& state)
{
    // A term that is in the table: the 1000th generated one.
    std::mt19937 random(static_cast<int>(state.range(0)));
    QString word;
    for (int i = 0; i < 1000; ++i)
        word = term(random);
    search(state, word, true);
}

void BM_FallbackSearch(benchmark::State& state)
{
    // 20 characters of which only "ab" begins any entry: the exact query and 19 prefix attempts.
    search(state, QStringLiteral("ab") + QString(18, u'x'), true);
}

} // namespace

BENCHMARK(BM_OpenCursors)->Arg(7000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExactSearch)->Arg(7000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FallbackSearch)->Arg(7000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
