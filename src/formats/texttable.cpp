#include "texttable.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include <QFileInfo>
#include <QRegularExpression>

#include "delimitedrecords.h"
#include "textfile.h"
#include "utf8text.h"

namespace TextTable {
namespace {

// Far above any dictionary (1,000,000 entries take about 40 MB) and far below what decoding
// it would need in memory.
constexpr qint64 maxSchemaBytes = 1024 * 1024;

struct Layout final {
    bool header = true;
    QChar delimiter = u',';
    CharacterSet characterSet = CharacterSet::Automatic;
    QList<Column> columns; // from ColN lines; empty when the header names them
};

Failure malformed(const QString& file, const QString& reason)
{
    return { FailureNumber::MalformedTable, QStringLiteral("cannot read ") + file + QStringLiteral(": ") + reason };
}

std::optional<ColumnType> columnType(QStringView name)
{
    static const std::pair<const char16_t*, ColumnType> types[] = {
        { u"text", ColumnType::Text },       { u"char", ColumnType::Text },       { u"longchar", ColumnType::Text },
        { u"memo", ColumnType::Text },       { u"date", ColumnType::Text },       { u"datetime", ColumnType::Text },
        { u"integer", ColumnType::Integer }, { u"short", ColumnType::Integer },   { u"long", ColumnType::Integer },
        { u"byte", ColumnType::Integer },    { u"bit", ColumnType::Integer },     { u"double", ColumnType::Real },
        { u"single", ColumnType::Real },     { u"float", ColumnType::Real },      { u"currency", ColumnType::Real },
        { u"decimal", ColumnType::Real },    { u"numeric", ColumnType::Real },
    };
    for (const auto& [typeName, type] : types) {
        if (name.compare(QStringView(typeName), Qt::CaseInsensitive) == 0)
            return type;
    }
    return {};
}

// "Col2=Frensh Text Width 255" or "Col2=\"French term\" Text".
Outcome parseColumn(QStringView definition, const QString& schemaFile, const QString& key, Column* column)
{
    definition = definition.trimmed();
    QStringView rest;
    if (definition.startsWith(u'"')) {
        const qsizetype close = definition.indexOf(u'"', 1);
        if (close < 0)
            return malformed(schemaFile, key + QStringLiteral(": the column name has no closing quote"));
        column->name = definition.mid(1, close - 1).toString();
        rest = definition.mid(close + 1).trimmed();
    } else {
        const qsizetype blank = definition.indexOf(u' ');
        column->name = definition.left(blank < 0 ? definition.size() : blank).toString();
        rest = blank < 0 ? QStringView() : definition.mid(blank + 1).trimmed();
    }
    if (column->name.isEmpty())
        return malformed(schemaFile, key + QStringLiteral(": no column name"));
    const QStringView typeName = rest.left(rest.indexOf(u' ') < 0 ? rest.size() : rest.indexOf(u' '));
    if (typeName.isEmpty()) {
        column->type = ColumnType::Text;
        return {};
    }
    const auto type = columnType(typeName);
    if (!type)
        return malformed(schemaFile, QStringLiteral("%1: unknown column type \"%2\"").arg(key, typeName));
    column->type = *type;
    return {};
}

// Applies the section of schema.ini that describes `tableFile`, when there is one.
Outcome readSchema(const QString& tableFile, Layout* layout)
{
    const QFileInfo table(tableFile);
    const QString schemaFile = TextFile::findCaseInsensitive(table.absolutePath(), QStringLiteral("schema.ini"));
    if (schemaFile.isEmpty())
        return {};
    auto bytes = TextFile::read(schemaFile, maxSchemaBytes);
    if (!bytes)
        return bytes.failure();
    const auto utf8 = TextFile::decodeUtf8(*bytes);
    const QString text = utf8 ? *utf8 : TextFile::decodeWindows1252(*bytes);

    bool inSection = false;
    QMap<int, Column> columns;
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    for (QStringView line : QStringView(text).split(lineEnd)) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            inSection = line.mid(1, line.size() - 2).trimmed().compare(table.fileName(), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            return malformed(schemaFile, QStringLiteral("\"%1\" has no '='").arg(line));
        const QString key = line.left(equals).trimmed().toString();
        const QStringView value = line.mid(equals + 1).trimmed();
        if (key.compare(u"ColNameHeader", Qt::CaseInsensitive) == 0) {
            layout->header = value.compare(u"true", Qt::CaseInsensitive) == 0;
        } else if (key.compare(u"Format", Qt::CaseInsensitive) == 0) {
            if (value.compare(u"CSVDelimited", Qt::CaseInsensitive) == 0)
                layout->delimiter = u',';
            else if (value.compare(u"TabDelimited", Qt::CaseInsensitive) == 0)
                layout->delimiter = u'\t';
            else if (value.size() == 12 && value.startsWith(u"Delimited(", Qt::CaseInsensitive) && value.endsWith(u')')
                     && value[10] != u'"' && value[10] != u'\n')
                layout->delimiter = value[10];
            else
                return malformed(schemaFile, QStringLiteral("format \"%1\" of %2 is not supported").arg(value, table.fileName()));
        } else if (key.compare(u"CharacterSet", Qt::CaseInsensitive) == 0) {
            if (value == u"65001" || value.compare(u"UTF-8", Qt::CaseInsensitive) == 0)
                layout->characterSet = CharacterSet::Utf8;
            else if (value == u"1252" || value.compare(u"ANSI", Qt::CaseInsensitive) == 0)
                layout->characterSet = CharacterSet::Windows1252;
            else
                return malformed(schemaFile, QStringLiteral("character set \"%1\" of %2 is not supported").arg(value, table.fileName()));
        } else if (key.size() > 3 && key.startsWith(u"Col", Qt::CaseInsensitive)) {
            bool isNumber = false;
            const int index = key.mid(3).toInt(&isNumber);
            if (!isNumber || index < 1 || index > maxColumns)
                continue; // ColNameHeader aside, other Col... keys are not ours
            Column column;
            if (auto done = parseColumn(value, schemaFile, key, &column); !done)
                return done;
            columns.insert(index, column);
        }
    }
    int expected = 1;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it, ++expected) {
        if (it.key() != expected)
            return malformed(schemaFile, QStringLiteral("Col%1 of %2 is missing").arg(expected).arg(table.fileName()));
        layout->columns.append(it.value());
    }
    return {};
}

Outcome checkValue(const Cell& cell, const Column& column, const QString& file, int line)
{
    if (cell.null || column.type == ColumnType::Text)
        return {};
    bool ok = false;
    if (column.type == ColumnType::Integer)
        ok = wholeNumber(cell.text).has_value();
    else
        QString::fromUtf8(cell.text.data(), static_cast<qsizetype>(cell.text.size())).trimmed().toDouble(&ok);
    if (ok)
        return {};
    return malformedAt(file, line, QStringLiteral("%1 \"%2\" is not %3")
                                       .arg(column.name, QString::fromUtf8(cell.text.data(), static_cast<qsizetype>(cell.text.size())).left(40),
                                            column.type == ColumnType::Integer ? QStringLiteral("a whole number") : QStringLiteral("a number")));
}

// Rows split ahead of the row sink, a batch at a time.
struct Batch final {
    std::vector<Cell> cells; // row after row, as many cells a row as there are columns
    std::vector<int> lines;
    std::deque<std::string> storage;
    std::optional<Failure> failure; // what ended the split, after these rows
    bool last = false;
};

constexpr std::size_t batchRows = 2048;
constexpr std::size_t batchesAhead = 4;
// Below this a second thread costs more than it saves.
constexpr std::size_t threadedBytes = 1 << 20;

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The splitting side: records into batches, checked against the columns.
class Splitter final {
public:
    Splitter(RecordReader& reader, const QList<Column>& columns, const QString& path) : m_reader(reader), m_columns(columns), m_path(path) { }

    // The next batch; `stop` asks it to give up early.
    Batch next()
    {
        Batch batch;
        batch.cells.reserve(batchRows * static_cast<std::size_t>(m_columns.size()));
        std::vector<Cell> cells;
        int line = 0;
        while (batch.lines.size() < batchRows) {
            auto more = m_reader.next(&cells, &line, &batch.storage);
            if (!more) {
                batch.failure = more.failure();
                batch.last = true;
                return batch;
            }
            if (!*more) {
                batch.last = true;
                return batch;
            }
            if (cells.size() != static_cast<std::size_t>(m_columns.size())) {
                batch.failure = malformedAt(m_path, line, QStringLiteral("%1 fields, %2 expected").arg(cells.size()).arg(m_columns.size()));
                batch.last = true;
                return batch;
            }
            for (std::size_t i = 0; i < cells.size(); ++i) {
                if (auto done = checkValue(cells[i], m_columns[static_cast<qsizetype>(i)], m_path, line); !done) {
                    batch.failure = done.failure();
                    batch.last = true;
                    return batch;
                }
            }
            batch.cells.insert(batch.cells.end(), cells.begin(), cells.end());
            batch.lines.push_back(line);
        }
        return batch;
    }

private:
    RecordReader& m_reader;
    const QList<Column>& m_columns;
    const QString& m_path;
};

// Hands the batches of a splitter running on its own thread to the caller's, a few ahead.
class BatchQueue final {
public:
    BatchQueue(Splitter& splitter, double* splitMs) : m_splitter(splitter), m_splitMs(splitMs)
    {
        m_thread = std::thread([this] { run(); });
    }
    ~BatchQueue()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    BatchQueue(const BatchQueue&) = delete;
    BatchQueue& operator=(const BatchQueue&) = delete;

    Batch take()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty(); });
        Batch batch = std::move(m_ready.front());
        m_ready.pop_front();
        m_changed.notify_all();
        return batch;
    }

private:
    void run()
    {
        for (;;) {
            const auto start = Clock::now();
            Batch batch = m_splitter.next();
            *m_splitMs += millisecondsSince(start);
            const bool last = batch.last;
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stop || m_ready.size() < batchesAhead; });
            if (m_stop)
                return;
            m_ready.push_back(std::move(batch));
            m_changed.notify_all();
            if (last)
                return;
        }
    }

    Splitter& m_splitter;
    double* m_splitMs;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_ready;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace

Failure malformedAt(const QString& file, int line, const QString& reason)
{
    return malformed(file, QStringLiteral("line %1: %2").arg(line).arg(reason));
}

Result<std::string_view> asUtf8(QByteArrayView bytes, CharacterSet characterSet, const QString& path, QByteArray* converted)
{
    if (auto utf16 = TextFile::decodeMarkedUtf16(bytes)) {
        *converted = utf16->toUtf8();
        return std::string_view(converted->constData(), static_cast<std::size_t>(converted->size()));
    }
    if (characterSet != CharacterSet::Windows1252) {
        std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);
        if (Utf8Text::valid(text))
            return text;
        if (characterSet == CharacterSet::Utf8)
            return malformed(path, QStringLiteral("not valid UTF-8, as its schema.ini says it is"));
    }
    *converted = TextFile::decodeWindows1252(bytes).toUtf8();
    return std::string_view(converted->constData(), static_cast<std::size_t>(converted->size()));
}


std::optional<qint64> wholeNumber(std::string_view text)
{
    text = Utf8Text::trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    quint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const quint64 digit = static_cast<quint64>(c - '0');
        if (value > (quint64(1) << 63) / 10 || value * 10 > (quint64(1) << 63) - digit)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (!negative && value > static_cast<quint64>(std::numeric_limits<qint64>::max()))
        return std::nullopt;
    return negative ? static_cast<qint64>(0 - value) : static_cast<qint64>(value);
}

Outcome read(const QString& path, const std::function<Outcome(const QList<Column>&)>& columnsSink, const RowSink& rowSink, ReadTimes* times)
{
    ReadTimes ignored;
    ReadTimes& timing = times ? *times : ignored;
    Layout layout;
    if (auto done = readSchema(path, &layout); !done)
        return done;

    auto start = Clock::now();
    auto bytes = TextFile::read(path, maxTableBytes);
    if (!bytes)
        return bytes.failure();
    timing.readMs += millisecondsSince(start);
    start = Clock::now();
    QByteArray converted;
    const auto decoded = asUtf8(*bytes, layout.characterSet, path, &converted);
    if (!decoded)
        return decoded.failure();
    const std::string_view text = *decoded;
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos)
        return malformedAt(path, lineAt(text, nul), QStringLiteral("a NUL character, which no text table holds (is it UTF-16 without its byte-order mark?)"));
    timing.decodeMs += millisecondsSince(start);

    const QByteArray delimiter = QString(layout.delimiter).toUtf8();
    RecordReader reader(text, std::string(delimiter.constData(), static_cast<std::size_t>(delimiter.size())), path);
    std::deque<std::string> headerStorage;
    std::vector<Cell> cells;
    int line = 0;
    QList<Column> columns = layout.columns;
    if (layout.header) {
        auto more = reader.next(&cells, &line, &headerStorage);
        if (!more)
            return more.failure();
        if (!*more)
            return malformed(path, QStringLiteral("no header line"));
        if (columns.isEmpty()) {
            for (std::size_t i = 0; i < cells.size(); ++i) {
                // A quoted name is exactly what stands between its quotes; blanks around an
                // unquoted one are the file's layout ("English, Frensh, num").
                const QString text = QString::fromUtf8(cells[i].text.data(), static_cast<qsizetype>(cells[i].text.size()));
                const QString name = cells[i].quoted ? text : text.trimmed();
                columns.append({ name.isEmpty() ? QStringLiteral("F%1").arg(i + 1) : name, ColumnType::Text });
            }
        }
    }
    if (columns.isEmpty())
        return malformed(path, QStringLiteral("no columns: give them in a header line or in schema.ini"));
    for (qsizetype i = 0; i < columns.size(); ++i) {
        for (qsizetype j = 0; j < i; ++j) {
            if (columns[i].name.compare(columns[j].name, Qt::CaseInsensitive) == 0)
                return malformed(path, QStringLiteral("two columns are named %1").arg(columns[i].name));
        }
    }
    if (auto done = columnsSink(columns); !done)
        return done;

    // Large tables are split on a second thread while the sink takes the rows.
    Splitter splitter(reader, columns, path);
    std::optional<BatchQueue> queue;
    if (text.size() - static_cast<std::size_t>(reader.position()) >= threadedBytes)
        queue.emplace(splitter, &timing.splitMs);
    const std::size_t width = static_cast<std::size_t>(columns.size());
    for (;;) {
        auto splitStart = Clock::now();
        Batch batch = queue ? queue->take() : splitter.next();
        if (!queue)
            timing.splitMs += millisecondsSince(splitStart);
        const auto sinkStart = Clock::now();
        for (std::size_t row = 0; row < batch.lines.size(); ++row) {
            cells.assign(batch.cells.begin() + static_cast<std::ptrdiff_t>(row * width), batch.cells.begin() + static_cast<std::ptrdiff_t>((row + 1) * width));
            if (auto done = rowSink(cells, batch.lines[row]); !done)
                return done;
        }
        timing.sinkMs += millisecondsSince(sinkStart);
        if (batch.failure)
            return *batch.failure;
        if (batch.last)
            return {};
    }
}

} // namespace TextTable
