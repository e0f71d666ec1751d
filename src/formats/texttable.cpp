#include "texttable.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "textfile.h"

namespace TextTable {
namespace {

// Far above any dictionary (1,000,000 entries take about 40 MB) and far below what decoding
// it would need in memory.
constexpr qint64 maxTableBytes = qint64(256) << 20;
constexpr qint64 maxSchemaBytes = 1024 * 1024;
constexpr int maxColumns = 255;

enum class CharacterSet { Automatic, Utf8, Windows1252 };

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

Failure malformedAt(const QString& file, int line, const QString& reason)
{
    return malformed(file, QStringLiteral("line %1: %2").arg(line).arg(reason));
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

// Line ends as the files come: LF, CRLF, or a lone CR (old Mac text).
bool isLineEnd(QChar c)
{
    return c == u'\n' || c == u'\r';
}

// Splits delimited text into records, RFC 4180 style, keeping track of line numbers.
class RecordReader final {
public:
    RecordReader(QStringView text, QChar delimiter, QString file) : m_text(text), m_delimiter(delimiter), m_file(std::move(file)) { }

    // Reads the next record into `cells`; false at the end of the text.
    Result<bool> next(QList<Cell>* cells, int* line)
    {
        // Blank lines hold no record.
        while (m_pos < m_text.size() && isLineEnd(m_text[m_pos]))
            skipLineEnd();
        if (m_pos >= m_text.size())
            return false;
        *line = m_line;
        cells->clear();
        for (;;) {
            Cell cell;
            if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
                const int startLine = m_line;
                ++m_pos;
                bool closed = false;
                while (m_pos < m_text.size()) {
                    const QChar c = m_text[m_pos];
                    if (c == u'"') {
                        if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'"') {
                            cell.text += u'"';
                            m_pos += 2;
                            continue;
                        }
                        ++m_pos;
                        closed = true;
                        break;
                    }
                    if (c == u'\n' || (c == u'\r' && (m_pos + 1 == m_text.size() || m_text[m_pos + 1] != u'\n')))
                        ++m_line;
                    cell.text += c;
                    ++m_pos;
                }
                if (!closed)
                    return malformedAt(m_file, startLine, QStringLiteral("a quoted field is not closed"));
                if (cell.text.isNull())
                    cell.text = QLatin1String("");
                cell.quoted = true;
                if (m_pos < m_text.size() && m_text[m_pos] != m_delimiter && !isLineEnd(m_text[m_pos]))
                    return malformedAt(m_file, m_line, QStringLiteral("text after the closing quote of field %1").arg(cells->size() + 1));
            } else {
                const qsizetype start = m_pos;
                while (m_pos < m_text.size() && m_text[m_pos] != m_delimiter && !isLineEnd(m_text[m_pos]))
                    ++m_pos;
                cell.null = m_pos == start;
                cell.text = m_text.mid(start, m_pos - start).toString();
            }
            cells->append(std::move(cell));
            if (cells->size() > maxColumns)
                return malformedAt(m_file, *line, QStringLiteral("more than %1 fields").arg(maxColumns));
            if (m_pos >= m_text.size())
                return true;
            if (isLineEnd(m_text[m_pos])) {
                skipLineEnd();
                return true;
            }
            ++m_pos; // the delimiter
        }
    }

private:
    void skipLineEnd()
    {
        m_pos += m_text[m_pos] == u'\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\n' ? 2 : 1;
        ++m_line;
    }

    QStringView m_text;
    QChar m_delimiter;
    QString m_file;
    qsizetype m_pos = 0;
    int m_line = 1;
};

// The line `position` lies on, counting every kind of line end.
int lineAt(QStringView text, qsizetype position)
{
    int line = 1;
    for (qsizetype i = 0; i < position; ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')))
            ++line;
    }
    return line;
}

Outcome checkValue(const Cell& cell, const Column& column, const QString& file, int line)
{
    if (cell.null || column.type == ColumnType::Text)
        return {};
    bool ok = false;
    const QString value = cell.text.trimmed();
    if (column.type == ColumnType::Integer)
        value.toLongLong(&ok);
    else
        value.toDouble(&ok);
    if (ok)
        return {};
    return malformedAt(file, line, QStringLiteral("%1 \"%2\" is not %3")
                                       .arg(column.name, cell.text.left(40),
                                            column.type == ColumnType::Integer ? QStringLiteral("a whole number") : QStringLiteral("a number")));
}

} // namespace

Outcome read(const QString& path, const std::function<Outcome(const QList<Column>&)>& columnsSink, const RowSink& rowSink)
{
    Layout layout;
    if (auto done = readSchema(path, &layout); !done)
        return done;

    auto bytes = TextFile::read(path, maxTableBytes);
    if (!bytes)
        return bytes.failure();
    QString text;
    if (auto utf16 = TextFile::decodeMarkedUtf16(*bytes)) {
        text = std::move(*utf16);
    } else if (layout.characterSet == CharacterSet::Windows1252) {
        text = TextFile::decodeWindows1252(*bytes);
    } else if (auto utf8 = TextFile::decodeUtf8(*bytes)) {
        text = std::move(*utf8);
    } else if (layout.characterSet == CharacterSet::Utf8) {
        return malformed(path, QStringLiteral("not valid UTF-8, as its schema.ini says it is"));
    } else {
        text = TextFile::decodeWindows1252(*bytes);
    }
    bytes->clear();
    if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0) {
        const int line = lineAt(text, nul);
        return malformedAt(path, line, QStringLiteral("a NUL character, which no text table holds (is it UTF-16 without its byte-order mark?)"));
    }

    RecordReader reader(text, layout.delimiter, path);
    QList<Cell> cells;
    int line = 0;
    QList<Column> columns = layout.columns;
    if (layout.header) {
        auto more = reader.next(&cells, &line);
        if (!more)
            return more.failure();
        if (!*more)
            return malformed(path, QStringLiteral("no header line"));
        if (columns.isEmpty()) {
            for (qsizetype i = 0; i < cells.size(); ++i) {
                // A quoted name is exactly what stands between its quotes; blanks around an
                // unquoted one are the file's layout ("English, Frensh, num").
                const QString name = cells[i].quoted ? cells[i].text : cells[i].text.trimmed();
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

    for (;;) {
        auto more = reader.next(&cells, &line);
        if (!more)
            return more.failure();
        if (!*more)
            return {};
        if (cells.size() != columns.size())
            return malformedAt(path, line, QStringLiteral("%1 fields, %2 expected").arg(cells.size()).arg(columns.size()));
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (auto done = checkValue(cells[i], columns[i], path, line); !done)
                return done;
        }
        if (auto done = rowSink(cells, line); !done)
            return done;
    }
}

} // namespace TextTable
