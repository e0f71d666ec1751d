// The French-to-English window as a user meets it on a large dictionary: opening it, the
// first search deep into the table, a misspelt word that falls back to a beginning. Times run
// from the key press to the result box changing. Beside them, in the same run, the sqlite3
// shell importing the same file into memory and indexing the search field.
//   bench_window [ENTRIES]   (default 1,000,000; the program's own sample is measured too)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <tuple>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include "connectiondescription.h"
#include "dictionarycollation.h"
#include "dictionarywindow.h"
#include "direction.h"
#include "pgserver.h"
#include "publication.h"
#include "qtplatform.h"
#include "store.h"
#include "storefactory.h"
#include "testservices.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Terms of the letters a to w only, so that a word continued with x finds no longer beginning.
QStringList sortedTerms(int entries)
{
    std::mt19937 random(entries);
    std::uniform_int_distribution<int> length(6, 14);
    std::uniform_int_distribution<int> letter(0, 22);
    QSet<QString> seen;
    QStringList terms;
    while (terms.size() < entries) {
        QString text;
        for (int i = length(random); i > 0; --i)
            text += QChar(u'a' + letter(random));
        if (!seen.contains(text)) {
            seen.insert(text);
            terms.append(text);
        }
    }
    std::sort(terms.begin(), terms.end(), [](const QString& a, const QString& b) { return DictionaryCollation::compare(a, b) < 0; });
    return terms;
}

// A data directory with the French-to-English table as a CSV text table with its header.
void writeTextTables(const QString& directory, const QStringList& terms)
{
    QDir().mkpath(directory + QStringLiteral("/fr"));
    QFile table(directory + QStringLiteral("/fr/PS.txt"));
    QFile udl(directory + QStringLiteral("/d0.UDL"));
    if (!table.open(QIODevice::WriteOnly) || !udl.open(QIODevice::WriteOnly))
        qFatal("cannot write the benchmark tables in %s", qPrintable(directory));
    QByteArray text = "English,Frensh,num\n";
    for (qsizetype i = 0; i < terms.size(); ++i)
        text += "en" + terms[i].toUtf8() + ',' + terms[i].toUtf8() + ',' + QByteArray::number(i) + '\n';
    table.write(text);
    udl.write("Provider=text;Data Source=fr\n");
}

// The same tables compiled, as `evelmora-tables compile` does.
void compile(const QString& from, const QString& to)
{
    auto description = ConnectionDescription::read(from + QStringLiteral("/d0.UDL"), from);
    auto store = description ? openStore(*description) : Result<std::shared_ptr<Store>>(description.failure());
    if (!store)
        qFatal("%s", qPrintable(store.failure().description));
    (*store)->setIndexedColumns({ QStringLiteral("Frensh") });
    QDir().mkpath(to);
    if (!(*store)->execute(QStringLiteral("PS")) || !(*store)->compileTo(to + QStringLiteral("/fr-en.sqlite")))
        qFatal("cannot compile the benchmark tables");
    QFile udl(to + QStringLiteral("/d0.UDL"));
    if (!udl.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(udl.fileName()));
    udl.write("Provider=sqlite;Data Source=fr-en.sqlite\n");
}

struct WindowTimes {
    double openMs = 0;
    double deepSearchMs = 0;
    double fallbackMs = 0;
    QString shown;
};

// Opens f1 on the data directory, then searches as a user does: the word typed, Enter pressed,
// the time taken when the English box changes.
WindowTimes useWindow(const QString& dataDirectory, const QString& programDirectory, const QString& deepWord, const QString& misspelt)
{
    TestServices test(dataDirectory, programDirectory);
    test.presenter.echo = true;
    WindowTimes times;
    const auto opened = Clock::now();
    std::unique_ptr<DictionaryWindow> window(DictionaryWindow::createF1(test.windows));
    window->Form_Load();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        std::fprintf(stderr, "the window was not exposed\n");
    window->repaint();
    times.openMs = msSince(opened);

    auto* source = window->findChild<QLineEdit*>(QStringLiteral("Text_fr"));
    auto* result = window->findChild<QLineEdit*>(QStringLiteral("Text_eng"));
    Clock::time_point pressed;
    double changedAfter = -1;
    QObject::connect(result, &QLineEdit::textChanged, result, [&] {
        if (changedAfter < 0)
            changedAfter = msSince(pressed);
    });
    const auto search = [&](const QString& word) {
        source->setFocus();
        source->setText(word);
        changedAfter = -1;
        QCoreApplication::processEvents();
        pressed = Clock::now();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(source, &enter);
        return changedAfter;
    };
    times.deepSearchMs = search(deepWord);
    times.shown = result->text();
    times.fallbackMs = search(misspelt);
    window->close();
    return times;
}

struct TypingTimes {
    std::vector<double> completion; // per keystroke while entries begin with the text
    double firstSuggestionMs = 0;    // the first keystroke that needs the closest terms
    std::vector<double> suggestion;  // the keystrokes after it
    QStringList offered;             // the last list
};

// Types `word` into a fresh f1, one key event a character, timing each from the key press to
// the list under the box being updated; then `misspelt`, whose end no entry begins with.
TypingTimes typeIntoWindow(const QString& dataDirectory, const QString& programDirectory, const QString& word, const QString& misspelt, int idleMs)
{
    TestServices test(dataDirectory, programDirectory);
    test.presenter.echo = true;
    std::unique_ptr<DictionaryWindow> window(DictionaryWindow::createF1(test.windows));
    window->Form_Load();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        std::fprintf(stderr, "the window was not exposed\n");
    // The user reads the window before typing: the window reads its terms meanwhile.
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < idleMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    auto* source = window->findChild<QLineEdit*>(QStringLiteral("Text_fr"));
    auto* list = window->findChild<QListWidget*>(QStringLiteral("completionList"));
    TypingTimes times;
    bool suggesting = false;
    const auto type = [&](QChar c) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        const auto pressed = Clock::now();
        QApplication::sendEvent(source, &key);
        const double ms = msSince(pressed);
        QCoreApplication::processEvents();
        return ms;
    };
    source->setFocus();
    for (const QChar c : word)
        times.completion.push_back(type(c));
    source->clear();
    for (const QChar c : misspelt) {
        const double ms = type(c);
        const bool closest = list->isVisible() && list->accessibleDescription().contains(QStringLiteral("proches"));
        if (closest && !suggesting) {
            suggesting = true;
            times.firstSuggestionMs = ms;
        } else if (closest) {
            times.suggestion.push_back(ms);
        } else {
            times.completion.push_back(ms);
        }
    }
    for (int row = 0; row < list->count(); ++row)
        times.offered << list->item(row)->text();
    window->close();
    return times;
}

// SQLite's own trigram index beside ours: its build over the terms, and one query of the
// trigrams of a typo, ranked by the engine, as a source of candidates for the distance.
void trigramIndex(const QStringList& terms, const QString& typo, const QString& meant)
{
    sqlite3* database = nullptr;
    sqlite3_open(":memory:", &database);
    const auto run = [&](const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(database, sql, nullptr, nullptr, &error) != SQLITE_OK)
            std::fprintf(stderr, "%s: %s\n", sql, error ? error : "?");
        sqlite3_free(error);
    };
    const auto built = Clock::now();
    run("CREATE VIRTUAL TABLE t USING fts5(term, tokenize='trigram')");
    run("BEGIN");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(database, "INSERT INTO t(term) VALUES (?1)", -1, &insert, nullptr);
    for (const QString& term : terms) {
        const QByteArray bytes = term.toUtf8();
        sqlite3_bind_text(insert, 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    run("COMMIT");
    const double buildMs = msSince(built);
    QStringList grams;
    for (qsizetype i = 0; i + 3 <= typo.size(); ++i)
        grams << u'"' + typo.mid(i, 3) + u'"';
    const QByteArray query = "SELECT term FROM t WHERE t MATCH '" + grams.join(QStringLiteral(" OR ")).toUtf8() + "' ORDER BY rank LIMIT 50";
    const auto asked = Clock::now();
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(database, query.constData(), -1, &select, nullptr);
    int candidates = 0;
    bool found = false;
    while (sqlite3_step(select) == SQLITE_ROW) {
        ++candidates;
        found = found || QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(select, 0))) == meant;
    }
    sqlite3_finalize(select);
    std::printf("  SQLite's trigram index on %lld terms: built in %.0f ms; the typo's %lld trigrams gave %d candidates in %.1f ms, %s the term meant\n",
                qlonglong(terms.size()), buildMs, qlonglong(grams.size()), candidates, msSince(asked), found ? "among them" : "not among them");
    sqlite3_close(database);
}

// The sqlite3 shell importing the same CSV into memory and indexing the search field.
double sqliteShellMs(const QString& tableFile)
{
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (shell.isEmpty())
        return -1;
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(shell, { QStringLiteral(":memory:"), QStringLiteral(".mode csv"), QStringLiteral(".import ") + tableFile + QStringLiteral(" PS"),
                           QStringLiteral("CREATE INDEX PS_Frensh ON PS(Frensh);") });
    process.waitForFinished(-1);
    return double(timer.nsecsElapsed()) / 1e6;
}

// The peak of this process's own memory; getrusage would count the parent's before exec.
double peakMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

// The same table published on a PostgreSQL server, read over the loopback interface as a
// desktop reads a department's server.
void serverFigures(const QString& text, const QString& remote, const QString& program, const QStringList& terms, qsizetype deepIndex)
{
    const int entries = static_cast<int>(terms.size());
    const QString deep = terms[deepIndex];
    PgServer server(true);
    if (!server.problem().isEmpty()) {
        std::printf("  PostgreSQL server: not measured: %s\n", qPrintable(server.problem()));
    } else {
        // Both directions from the one table: publishing takes both.
        QFile english(text + QStringLiteral("/d2.UDL"));
        if (!english.open(QIODevice::WriteOnly) || english.write("Provider=text;Data Source=fr\n") < 0)
            qFatal("cannot write %s", qPrintable(english.fileName()));
        english.close();
        const auto start = Clock::now();
        auto published = Publication::publish(text, server.loopbackConnection());
        if (!published)
            qFatal("%s", qPrintable(published.failure().description));
        const double publishMs = msSince(start);
        // A department's server has long since vacuumed its tables; a fresh one would do it now,
        // in the middle of the figures.
        for (const QString& table : { QStringLiteral("fr_en.ps"), QStringLiteral("en_fr.ps") }) {
            if (const QString said = server.psql(QStringLiteral("VACUUM ANALYZE ") + table); !said.isEmpty())
                qFatal("%s", qPrintable(said));
        }
        QDir().mkpath(remote);
        QFile udl(remote + QStringLiteral("/d0.UDL"));
        if (!udl.open(QIODevice::WriteOnly) || udl.write("Provider=postgresql;Data Source=\"" + server.loopbackConnection().toUtf8() + "\"\n") < 0)
            qFatal("cannot write %s", qPrintable(udl.fileName()));
        udl.close();
        const QString near = terms[qsizetype(entries * 0.01)];
        // A word 18 letters past an entry no entry goes on with: the exact query, 18 empty
        // beginnings and the one that finds it, 20 queries.
        const QString twentyQueries = terms[deepIndex + 1] + QStringLiteral("xqxqxqxqxqxqxqxqxq");
        std::vector<double> serverOpen, serverDeep, serverFallback, serverNear;
        for (int run = 0; run < 5; ++run) {
            const WindowTimes big = useWindow(remote, program, deep, twentyQueries);
            if (run == 0 && big.shown != u"en" + deep)
                std::fprintf(stderr, "the deep search on the server showed \"%s\"\n", qPrintable(big.shown));
            serverOpen.push_back(big.openMs);
            serverDeep.push_back(big.deepSearchMs);
            serverFallback.push_back(big.fallbackMs);
            serverNear.push_back(useWindow(remote, program, near, twentyQueries).deepSearchMs);
        }
        std::printf("  PostgreSQL over the loopback (published in %.0f ms): open %.1f ms; first deep search %.2f ms, first near one %.2f ms (%.2f more); "
                    "fallback of 20 queries %.2f ms\n",
                    publishMs, median(serverOpen), median(serverDeep), median(serverNear), median(serverDeep) - median(serverNear), median(serverFallback));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    installFontSubstitutions();
    // The window's own peak, in a process that holds nothing else: bench_window --peak DIRECTORY
    if (argc == 3 && QByteArray(argv[1]) == "--peak") {
        useWindow(QString::fromLocal8Bit(argv[2]), QStringLiteral(PROGRAM_DIR), QStringLiteral("a"), QStringLiteral("b"));
        // With the terms for the closest ones read, too.
        typeIntoWindow(QString::fromLocal8Bit(argv[2]), QStringLiteral(PROGRAM_DIR), QStringLiteral("ab"), QStringLiteral("abxqxq"), 0);
        std::printf("%.0f\n", peakMiB());
        return 0;
    }
    const int entries = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    // bench_window ENTRIES --server: the PostgreSQL figures alone.
    const bool serverOnly = argc > 2 && QByteArray(argv[2]) == "--server";
    const QString program = QStringLiteral(PROGRAM_DIR);
    const QString sample = QDir(program).filePath(QStringLiteral("eVelmoraEFs"));

    QTemporaryDir work;
    const QString text = work.filePath(QStringLiteral("text"));
    const QString compiled = work.filePath(QStringLiteral("compiled"));
    const QString compiledSample = work.filePath(QStringLiteral("compiled-sample"));
    const QStringList terms = sortedTerms(entries);
    writeTextTables(text, terms);
    if (serverOnly) {
        serverFigures(text, work.filePath(QStringLiteral("server")), program, terms, qsizetype(entries * 0.95));
        return 0;
    }
    compile(text, compiled);
    compile(sample, compiledSample);
    // Deep into the table: the entry at 95 % of it; its beginning with a typo after it.
    const qsizetype deepIndex = qsizetype(entries * 0.95);
    const QString deep = terms[deepIndex];
    // Near the entry shown: the next entry's term with a letter no term has added after it, so
    // the search falls back to the term itself through the queries of ever shorter beginnings.
    const QString misspelt = terms[deepIndex + 1] + QStringLiteral("xq");
    const QString sampleDeep = QStringLiteral("trouble panique");

    std::printf("The French-to-English window on %d entries (medians of 3; ms from the key press to the English box changing)\n", entries);
    std::vector<double> shell, opened, deepSearch, fallback;
    for (int run = 0; run < 3; ++run) {
        shell.push_back(sqliteShellMs(text + QStringLiteral("/fr/PS.txt")));
        const WindowTimes times = useWindow(text, program, deep, misspelt);
        opened.push_back(times.openMs);
        deepSearch.push_back(times.deepSearchMs);
        fallback.push_back(times.fallbackMs);
        if (run == 0 && times.shown != u"en" + deep)
            std::fprintf(stderr, "the deep search showed \"%s\"\n", qPrintable(times.shown));
    }
    std::printf("  text tables: open %.0f ms; first deep search %.2f ms; fallback %.2f ms\n", median(opened), median(deepSearch), median(fallback));
    std::printf("  sqlite3 shell, import and index of the same file: %.0f ms; the window opens in %.2f of that\n", median(shell),
                median(opened) / median(shell));

    // Where a load's time goes, on the store itself.
    {
        auto description = ConnectionDescription::read(text + QStringLiteral("/d0.UDL"), text);
        auto store = openStore(*description);
        (*store)->setIndexedColumns({ QStringLiteral("Frensh") });
        const auto start = Clock::now();
        if (!(*store)->execute(QStringLiteral("PS")))
            qFatal("cannot load the benchmark table");
        const double total = msSince(start);
        const auto& t = (*store)->loadTimes();
        std::printf("  a load of the text table, %.0f ms: read %.0f, decode %.0f, split %.0f (second thread), insert %.0f, index %.0f, orderings %.0f\n",
                    total, t.read.readMs, t.read.decodeMs, t.read.splitMs, t.read.sinkMs, t.indexMs, t.orderingMs);
    }

    std::vector<double> compiledOpen, compiledDeep, compiledFallback, sampleOpen, sampleDeepTimes;
    for (int run = 0; run < 3; ++run) {
        const WindowTimes big = useWindow(compiled, program, deep, misspelt);
        compiledOpen.push_back(big.openMs);
        compiledDeep.push_back(big.deepSearchMs);
        compiledFallback.push_back(big.fallbackMs);
        const WindowTimes small = useWindow(compiledSample, program, sampleDeep, QStringLiteral("trouble paranoïaqxq"));
        sampleOpen.push_back(small.openMs);
        sampleDeepTimes.push_back(small.deepSearchMs);
    }
    std::printf("  compiled store: open %.1f ms; first deep search %.2f ms; fallback %.2f ms\n", median(compiledOpen), median(compiledDeep),
                median(compiledFallback));
    std::printf("  compiled sample (%s): open %.1f ms; first search %.2f ms; the large store takes %.1f ms more for both\n", qPrintable(sample),
                median(sampleOpen), median(sampleDeepTimes), median(compiledOpen) + median(compiledDeep) - median(sampleOpen) - median(sampleDeepTimes));

    serverFigures(text, work.filePath(QStringLiteral("server")), program, terms, deepIndex);

    // The list under the box, per keystroke, on a tenth of the table and on all of it.
    std::printf("The list under the source box (ms a keystroke, from the key press to the list updated)\n");
    QTemporaryDir tenthWork;
    const QStringList tenth = sortedTerms(entries / 10);
    writeTextTables(tenthWork.filePath(QStringLiteral("text")), tenth);
    compile(tenthWork.filePath(QStringLiteral("text")), tenthWork.filePath(QStringLiteral("compiled")));
    for (const auto& [count, directory, kind, table] :
         { std::tuple { entries / 10, tenthWork.filePath(QStringLiteral("text")), "text tables", &tenth },
           std::tuple { entries / 10, tenthWork.filePath(QStringLiteral("compiled")), "compiled store", &tenth },
           std::tuple { entries, text, "text tables", &terms }, std::tuple { entries, compiled, "compiled store", &terms } }) {
        // A term deep in the table typed whole; then the same term with two letters swapped
        // and one no term has: no entry begins with it past the swap.
        const QString typed = (*table)[qsizetype(table->size() * 0.95)];
        QString typo = typed;
        std::swap(typo[2], typo[3]);
        typo.insert(4, QChar(u'x'));
        const auto largest = [](const std::vector<double>& values) { return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end()); };
        // Typed at once, the first suggestion reads what the window has not read yet; typed
        // after two seconds, every keystroke finds the terms read.
        const TypingTimes hurried = typeIntoWindow(directory, program, typed, typo, 0);
        const TypingTimes times = typeIntoWindow(directory, program, typed, typo, 2000);
        std::printf("  %7d entries, %-14s completion median %.2f, at most %.2f; suggestions median %.2f, at most %.2f (typed at once: first %.1f); "
                    "offered %s\n",
                    count, kind, median(times.completion), largest(times.completion), times.suggestion.empty() ? -1.0 : median(times.suggestion),
                    std::max(times.firstSuggestionMs, largest(times.suggestion)), hurried.firstSuggestionMs, qPrintable(times.offered.value(0)));
    }

    {
        const QString meant = terms[qsizetype(terms.size() * 0.95)];
        QString typo = meant;
        std::swap(typo[2], typo[3]);
        typo.insert(4, QChar(u'x'));
        trigramIndex(terms, typo, meant);
    }

    QProcess peak;
    peak.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--peak"), text });
    peak.waitForFinished(-1);
    std::printf("  peak memory of the program with the window open on the text tables, the list's terms read: %s MiB\n", peak.readAllStandardOutput().trimmed().constData());
    return 0;
}
