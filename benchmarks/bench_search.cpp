// Opening a window's cursors and searching, on generated dictionaries of 7,000, 100,000 and
// 1,000,000 entries. Run: build/bin/bench_search
#include <algorithm>
#include <map>
#include <random>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include "connectiondescription.h"
#include "cursor.h"
#include "store.h"
#include "storefactory.h"
#include "dictionarycollation.h"
#include "dictionaryoperations.h"
#include "direction.h"
#include "standins.h"
#include "windowdata.h"

namespace {

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

// The same rows in a bare in-memory SQLite database with an index on the search field: the
// reference the whole stack is measured against.
struct ReferenceDatabase {
    sqlite3* db = nullptr;
    explicit ReferenceDatabase(int entries)
    {
        sqlite3_open(":memory:", &db);
        sqlite3_exec(db, "CREATE TABLE PS (English TEXT, Frensh TEXT, num INTEGER)", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO PS VALUES (?, ?, ?)", -1, &insert, nullptr);
        std::mt19937 random(entries);
        QStringList french;
        for (int i = 0; i < entries; ++i)
            french.append(term(random));
        std::sort(french.begin(), french.end());
        for (int i = 0; i < entries; ++i) {
            const QByteArray f = french[i].toUtf8();
            const QByteArray e = "en" + f;
            sqlite3_bind_text(insert, 1, e.constData(), int(e.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, f.constData(), int(f.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int(insert, 3, i);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "CREATE INDEX PS_Frensh ON PS(Frensh)", nullptr, nullptr, nullptr);
    }
    ~ReferenceDatabase() { sqlite3_close(db); }

    // Runs a query text to the end, as a recordset that counts its rows does.
    qint64 run(const QByteArray& sql) const
    {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &statement, nullptr);
        qint64 rows = 0;
        while (sqlite3_step(statement) == SQLITE_ROW)
            ++rows;
        sqlite3_finalize(statement);
        return rows;
    }
};

ReferenceDatabase& reference(int entries)
{
    static std::map<int, std::unique_ptr<ReferenceDatabase>> databases;
    auto& db = databases[entries];
    if (!db)
        db = std::make_unique<ReferenceDatabase>(entries);
    return *db;
}

QString existingWord(int entries)
{
    std::mt19937 random(entries);
    QString word;
    for (int i = 0; i < 1000; ++i)
        word = term(random);
    return word;
}

// The queries of a search for `word` that stops at a beginning of `stop` characters.
QList<QByteArray> searchQueries(const QString& word, int stop)
{
    QList<QByteArray> queries { "select * from Ps where [Frensh] = '" + word.toUtf8() + "' order by frensh " };
    for (int length = int(word.size()); length >= stop; --length) {
        const QByteArray w = word.left(length).toUtf8();
        queries.append("select * from Ps where [Frensh] Between '" + w + " *'  and '" + w + "z*' order by Frensh ASC ");
    }
    return queries;
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

// The same dictionary compiled into a SQLite file that its connection file names.
QString compiledDirectory(int entries)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> directories;
    auto& dir = directories[entries];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        const QString source = dataDirectory(entries);
        auto description = ConnectionDescription::read(QDir(source).filePath(QStringLiteral("d0.UDL")), source);
        auto store = openStore(*description);
        (*store)->setIndexedColumns({ QStringLiteral("Frensh") });
        if (!(*store)->execute(QStringLiteral("PS")) || !(*store)->compileTo(dir->filePath(QStringLiteral("fr-en.sqlite"))))
            qFatal("cannot compile the benchmark tables");
        QFile udl(dir->filePath(QStringLiteral("d0.UDL")));
        if (!udl.open(QIODevice::WriteOnly))
            qFatal("cannot write the benchmark connection file");
        udl.write("Provider=sqlite;Data Source=fr-en.sqlite\n");
    }
    return dir->path();
}

void BM_OpenCompiled(benchmark::State& state)
{
    const QString dir = compiledDirectory(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        WindowData data = WindowData::open(Direction::frenchToEnglish(), dir);
        if (data.loadFailure)
            state.SkipWithError(qPrintable(data.loadFailure->description));
        benchmark::DoNotOptimize(data);
    }
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

void search(benchmark::State& state, const QString& word, bool expectFound, bool compiled = false)
{
    const QString dir = compiled ? compiledDirectory(static_cast<int>(state.range(0))) : dataDirectory(static_cast<int>(state.range(0)));
    WindowData data = WindowData::open(Direction::frenchToEnglish(), dir);
    FakeView view;
    RecordingPresenter presenter;
    RecordingBusyPointer pointer;
    DictionaryOperations operations(Direction::frenchToEnglish(), *data.browse, *data.lookup, data.letterStarts, view, presenter, pointer);
    view.source = word;
    // The first search walks the browse cursor to the entry found; later ones reuse its rows.
    operations.afficher_resultat();
    for (auto _ : state)
        operations.afficher_resultat();
    if (!presenter.messages.isEmpty() || (view.english != u"(untouched)") != expectFound)
        state.SkipWithError("the search did not find its entry");
    state.counters["peak_MiB"] = static_cast<double>(peakResidentKiB()) / 1024.0;
}

// A fresh browse cursor walked to its last entry: what the first search deep into a large
// table pays to place the browse cursor.
void BM_BrowseToLast(benchmark::State& state)
{
    const QString dir = dataDirectory(static_cast<int>(state.range(0)));
    WindowData data = WindowData::open(Direction::frenchToEnglish(), dir);
    for (auto _ : state) {
        data.browse->setRecordSource(Direction::frenchToEnglish().browseSource);
        if (!data.browse->refresh() || !data.browse->moveLast())
            state.SkipWithError("the browse cursor could not reach its last entry");
    }
}

void BM_ExactSearch(benchmark::State& state)
{
    // A term that is in the table: the 1000th generated one.
    search(state, existingWord(static_cast<int>(state.range(0))), true);
}

void BM_CompiledExactSearch(benchmark::State& state)
{
    search(state, existingWord(static_cast<int>(state.range(0))), true, true);
}

void BM_EmptyWordSearch(benchmark::State& state)
{
    // 20 characters that begin nothing, down to the empty word, whose result holds most of the table.
    search(state, QString(20, u'{'), true);
}

void referenceQueries(benchmark::State& state, const QList<QByteArray>& queries)
{
    const ReferenceDatabase& db = reference(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (const QByteArray& query : queries)
            benchmark::DoNotOptimize(db.run(query));
    }
}

void BM_ReferenceExact(benchmark::State& state)
{
    referenceQueries(state, { searchQueries(existingWord(static_cast<int>(state.range(0))), 99).front() });
}

void BM_ReferenceFallback(benchmark::State& state)
{
    referenceQueries(state, searchQueries(QStringLiteral("ab") + QString(18, u'x'), 2));
}

void BM_ReferenceEmptyWord(benchmark::State& state)
{
    referenceQueries(state, searchQueries(QString(20, u'{'), 0));
}

void BM_FallbackSearch(benchmark::State& state)
{
    // 20 characters of which only "ab" begins any entry: the exact query and 19 prefix attempts.
    search(state, QStringLiteral("ab") + QString(18, u'x'), true);
}

} // namespace

BENCHMARK(BM_OpenCursors)->Arg(7000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenCompiled)->Arg(7000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompiledExactSearch)->Arg(7000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BrowseToLast)->Arg(7000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExactSearch)->Arg(7000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FallbackSearch)->Arg(7000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmptyWordSearch)->Arg(7000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceExact)->Arg(7000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReferenceFallback)->Arg(7000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceEmptyWord)->Arg(7000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

namespace {

// Prints, after the usual report, each search beside its reference and their ratio.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            m_times[run.benchmark_name()] = run.GetAdjustedRealTime() * (run.time_unit == benchmark::kMillisecond ? 1000.0 : 1.0);
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%-10s %-22s %14s %14s %8s\n", "entries", "search", "ours (us)", "bare SQLite", "ratio");
        for (const char* size : { "7000", "100000", "1000000" }) {
            for (const auto& [ours, theirs] : { std::pair { "Exact", "Exact" }, std::pair { "Fallback", "Fallback" }, std::pair { "EmptyWord", "EmptyWord" } }) {
                const auto a = m_times.find(std::string("BM_") + ours + "Search/" + size);
                auto b = m_times.find(std::string("BM_Reference") + theirs + "/" + size);
                if (b == m_times.end())
                    b = m_times.find(std::string("BM_Reference") + theirs + "/" + size + "/iterations:3");
                if (a == m_times.end() || b == m_times.end())
                    continue;
                std::printf("%-10s %-22s %14.1f %14.1f %8.2f\n", size, ours, a->second, b->second, a->second / b->second);
            }
        }
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
