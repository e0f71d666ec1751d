#include "serverstore.h"

#include <algorithm>
#include <charconv>
#include <deque>
#include <optional>
#include <tuple>
#include <vector>

#include "querytexts.h"
#include "searchplan.h"
#include "serverconnection.h"

// The rows lately read on small pages by any result of one store, by their place and stored
// position: the browse cursor's row at the entry a search has just found is there already,
// so placing the cursor needs no second round trip to the server.
class RecentRows final {
public:
    struct Row {
        std::string select; // the select list the cells answer
        long long place = 0;
        long long stored = 0;
        std::vector<std::optional<std::string>> cells;
    };

    const Row* find(const std::string& select, bool byPlace, long long position) const
    {
        for (auto row = m_rows.rbegin(); row != m_rows.rend(); ++row) {
            if ((byPlace ? row->place : row->stored) == position && row->select == select)
                return &*row;
        }
        return nullptr;
    }

    void add(Row row)
    {
        m_rows.push_back(std::move(row));
        if (m_rows.size() > kept)
            m_rows.pop_front();
    }

    static constexpr std::size_t kept = 64;

private:
    std::deque<Row> m_rows;
};

namespace {

// A number the server wrote; nothing for anything else, which a published table never holds
// unless it was changed by hand.
std::optional<long long> wholeNumber(const std::optional<std::string>& text)
{
    long long value = 0;
    if (!text || text->empty())
        return std::nullopt;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size())
        return std::nullopt;
    return value;
}

// The columns that carry the published order rather than the entry.
bool orderColumn(const std::string& name)
{
    return name == "key" || name == "stored" || name == "place";
}

// The rows of one query on the server, read a page at a time as the cursor asks for them.
// Each page is a query of its own, ordered by a unique column (place or stored, both
// numbered from 0 in their order), so a page can be read again after a lost connection and
// a jump deep into the whole table is one index lookup. A page that follows the one before
// it grows, so reading every row takes few round trips.
class ServerQueryResult final : public QueryResult {
public:
    ServerQueryResult(std::shared_ptr<ServerConnection> server, std::shared_ptr<RecentRows> recent, QByteArray table, ServerQuery::Plan plan, QString query)
        : m_server(std::move(server))
        , m_recent(std::move(recent))
        , m_table(std::move(table))
        , m_plan(std::move(plan))
        , m_query(std::move(query))
    {
        m_order = m_plan.order == ServerQuery::Order::Place ? QByteArrayLiteral("place") : QByteArrayLiteral("stored");
        // Rows chosen by their key come in key order: the index on (key, place) gives them so
        // without sorting, place breaking the ties as stored order does.
        m_keyed = m_plan.keyed && m_plan.order == ServerQuery::Order::Place;
    }

    Result<bool> hasRow(qsizetype index) override
    {
        if (index < 0 || (m_count && index >= *m_count))
            return false;
        if (m_plan.limit && index >= *m_plan.limit)
            return false;
        if (pageOf(index))
            return true;
        if (takeRecent(index))
            return true;
        if (auto read = fetch(index); !read)
            return read.failure();
        return pageOf(index) != nullptr;
    }

    Result<bool> hasRows() override
    {
        for (const Page& page : m_pages) {
            if (page.rows > 0)
                return true;
        }
        return hasRow(0);
    }

    Result<qsizetype> rowCount() override
    {
        if (m_count)
            return *m_count;
        if (m_plan.aggregate)
            return qsizetype(1);
        QByteArray sql;
        if (m_plan.where.empty())
            // Both order columns number the rows from 0, so the last one says how many there are.
            sql = "SELECT coalesce(max(" + m_order + ") + 1, 0) FROM " + m_table;
        else
            sql = "SELECT count(*) FROM (SELECT 1 FROM " + m_table + " WHERE " + QByteArray::fromStdString(m_plan.where) + limitClause(0) + ") AS rows";
        std::vector<ServerConnection::Parameter> parameters;
        for (const std::string& key : m_plan.parameters)
            parameters.push_back({ key, true });
        auto rows = m_server->select(sql, parameters);
        if (!rows)
            return failed(rows.failure());
        qsizetype count = 0;
        if (!rows->cells.empty() && rows->cells.front()) {
            const auto counted = wholeNumber(rows->cells.front());
            if (!counted)
                return notNumbered("the count", *rows->cells.front());
            count = static_cast<qsizetype>(*counted);
        }
        if (m_plan.limit)
            count = std::min<qsizetype>(count, std::max<long long>(0, *m_plan.limit));
        m_count = count;
        return count;
    }

    int columnIndex(QStringView name) const override
    {
        for (qsizetype i = 0; i < m_columns.size(); ++i) {
            if (name.compare(m_columns[i], Qt::CaseInsensitive) == 0)
                return static_cast<int>(i);
        }
        return -1;
    }

    FieldValue value(qsizetype row, int column) const override
    {
        const std::optional<std::string>* cell = cellAt(row, column);
        if (!cell || !*cell)
            return { QString(), true };
        return { QString::fromStdString(**cell), false };
    }

    std::string bytes(qsizetype row, int column) const override
    {
        const std::optional<std::string>* cell = cellAt(row, column);
        return cell && *cell ? **cell : std::string();
    }

    const QString& query() const override { return m_query; }

    // A window shows one entry: the first page is small, and pages read one after another
    // double, up to the largest.
    static constexpr qsizetype pageRows = 16;
    static constexpr qsizetype largestPage = 4096;
    static constexpr std::size_t pagesKept = 4; // besides the first

private:
    struct Page {
        qsizetype first = 0;
        qsizetype rows = 0;
        qsizetype asked = 0;
        long long firstOrder = 0; // the order column's values at either end
        long long lastOrder = 0;
        QByteArray firstKey; // and the key's, as the server writes a bytea
        QByteArray lastKey;
        std::vector<std::optional<std::string>> cells; // without the order column
    };

    // The query's own limit, as it bears on rows from `first` on, and at most `rows` of them.
    QByteArray limitClause(qsizetype first, std::optional<qsizetype> rows = std::nullopt) const
    {
        std::optional<long long> limit = rows ? std::optional<long long>(*rows) : std::nullopt;
        if (m_plan.limit)
            limit = std::min<long long>(limit.value_or(*m_plan.limit), std::max<long long>(0, *m_plan.limit - first));
        return limit ? " LIMIT " + QByteArray::number(*limit) : QByteArray();
    }

    const Page* pageOf(qsizetype row) const
    {
        for (const Page& page : m_pages) {
            if (row >= page.first && row < page.first + page.rows)
                return &page;
        }
        return nullptr;
    }

    const std::optional<std::string>* cellAt(qsizetype row, int column) const
    {
        const Page* page = pageOf(row);
        if (!page)
            page = pageOf(0); // row 0 stays readable
        if (!page || column < 0 || column >= m_columns.size())
            return nullptr;
        if (row < page->first || row >= page->first + page->rows)
            row = 0;
        return &page->cells[static_cast<std::size_t>((row - page->first) * m_columns.size() + column)];
    }

    Failure failed(const Failure& failure) const
    {
        return { failure.number, QStringLiteral("the query \"%1\" failed: %2").arg(m_query, failure.description) };
    }

    Failure notNumbered(const char* what, const std::string& value) const
    {
        return failed({ FailureNumber::MalformedTable, QStringLiteral("%1 on the server holds %2 \"%3\", not a whole number: it was changed since it was published; publish it again")
                                                           .arg(QString::fromUtf8(m_table), QString::fromUtf8(what), QString::fromStdString(value).left(40)) });
    }

    // Row `index` of the whole table in its order, when another result read it lately.
    bool takeRecent(qsizetype index)
    {
        if (m_plan.aggregate || !m_plan.where.empty() || m_columns.isEmpty())
            return false;
        const RecentRows::Row* row = m_recent->find(m_plan.select, m_order == "place", index);
        if (!row || row->cells.size() != static_cast<std::size_t>(m_columns.size()))
            return false;
        Page page;
        page.first = index;
        page.rows = 1;
        page.asked = 1;
        page.firstOrder = page.lastOrder = index;
        page.cells = row->cells;
        keep(std::move(page));
        return true;
    }

    // Reads the page that holds `index`: after the page that ends just before it, before the
    // page that starts just after it, straight at it for the whole table, else by offset.
    Outcome fetch(qsizetype index)
    {
        const QByteArray where = QByteArray::fromStdString(m_plan.where);
        QByteArray conditions = where;
        const auto also = [&conditions](const QByteArray& condition) { conditions += (conditions.isEmpty() ? "" : " AND ") + condition; };
        QByteArray order = m_keyed ? QByteArray(" ORDER BY key, place") : QByteArray(" ORDER BY " + m_order);
        // The values compared go beside the text, so the text of a page is the same whatever
        // the page: the server prepares it once.
        std::vector<ServerConnection::Parameter> parameters;
        for (const std::string& key : m_plan.parameters)
            parameters.push_back({ key, true });
        const auto parameter = [&parameters](std::string value, const char* type) -> QByteArray {
            parameters.push_back({ std::move(value), false });
            return '$' + QByteArray::number(qsizetype(parameters.size())) + "::" + type;
        };
        const auto beyond = [&](const char* comparison, const QByteArray& key, long long place) -> QByteArray {
            if (m_keyed) {
                // The key as the server wrote it (\x and hex digits), which it reads back so.
                const QByteArray keyValue = parameter(key.toStdString(), "bytea");
                return "(key, place) " + QByteArray(comparison) + " (" + keyValue + ", " + parameter(std::to_string(place), "integer") + ')';
            }
            return m_order + ' ' + comparison + ' ' + parameter(std::to_string(place), "integer");
        };
        qsizetype first = index;
        qsizetype size = pageRows;
        QByteArray offset;
        bool backwards = false;
        const auto after = std::find_if(m_pages.begin(), m_pages.end(), [index](const Page& page) { return page.first + page.rows == index; });
        const auto before = std::find_if(m_pages.begin(), m_pages.end(), [index](const Page& page) { return page.first == index + 1; });
        if (m_plan.aggregate) {
            first = 0;
        } else if (after != m_pages.end() && after->rows > 0) {
            size = std::min(largestPage, std::max(pageRows, 2 * after->asked));
            also(beyond(">", after->lastKey, after->lastOrder));
        } else if (before != m_pages.end() && before->rows > 0) {
            first = std::max<qsizetype>(0, index - pageRows + 1);
            size = index - first + 1;
            backwards = true;
            also(beyond("<", before->firstKey, before->firstOrder));
            order = m_keyed ? QByteArray(" ORDER BY key DESC, place DESC") : QByteArray(" ORDER BY " + m_order + " DESC");
        } else if (where.isEmpty()) {
            // Rows are numbered from 0 in this order: the page is found in the index directly.
            first = std::max<qsizetype>(0, index - pageRows / 8);
            also(m_order + " >= " + parameter(std::to_string(first), "integer"));
        } else {
            first = std::max<qsizetype>(0, index - pageRows / 8);
            offset = " OFFSET " + QByteArray::number(first);
        }
        const QByteArray hidden = m_plan.aggregate ? QByteArray() : QByteArray(m_keyed ? "place, stored, key, " : "place, stored, ");
        QByteArray sql = "SELECT " + hidden + QByteArray::fromStdString(m_plan.select)
            + " FROM " + m_table + (conditions.isEmpty() ? QByteArray() : " WHERE " + conditions);
        if (!m_plan.aggregate)
            sql += order + (backwards ? " LIMIT " + QByteArray::number(size) : limitClause(first, size)) + offset;
        auto rows = m_server->select(sql, parameters);
        if (!rows)
            return failed(rows.failure());
        const int skip = m_plan.aggregate ? 0 : m_keyed ? 3 : 2;
        const qsizetype width = static_cast<qsizetype>(rows->columns.size()) - skip;
        if (m_columns.isEmpty()) {
            for (std::size_t i = skip; i < rows->columns.size(); ++i)
                m_columns.append(QString::fromStdString(rows->columns[i]));
        }
        Page page;
        page.first = first;
        page.asked = size;
        page.rows = rows->count;
        page.cells.reserve(static_cast<std::size_t>(rows->count * width));
        std::vector<long long> orders;
        std::vector<QByteArray> keys;
        for (qsizetype row = 0; row < rows->count; ++row) {
            const auto begin = rows->cells.begin() + row * (width + skip);
            if (skip) {
                const auto place = wholeNumber(*begin);
                const auto stored = wholeNumber(*(begin + 1));
                if (!place || !stored)
                    return notNumbered(place ? "stored" : "place", (place ? *(begin + 1) : *begin).value_or("NULL"));
                orders.push_back(m_order == "place" ? *place : *stored);
                if (rows->count <= pageRows)
                    m_recent->add({ m_plan.select, *place, *stored, std::vector<std::optional<std::string>>(begin + skip, begin + skip + width) });
            }
            if (m_keyed)
                keys.push_back(QByteArray::fromStdString((begin + 2)->value_or(std::string())));
            page.cells.insert(page.cells.end(), std::make_move_iterator(begin + skip), std::make_move_iterator(begin + skip + width));
        }
        if (backwards) {
            // Read from the far end; turned around, the page ends just before the one after it.
            std::reverse(orders.begin(), orders.end());
            std::reverse(keys.begin(), keys.end());
            std::vector<std::optional<std::string>> turned;
            turned.reserve(page.cells.size());
            for (qsizetype row = page.rows - 1; row >= 0; --row)
                turned.insert(turned.end(), page.cells.begin() + row * width, page.cells.begin() + (row + 1) * width);
            page.cells = std::move(turned);
            page.first = index + 1 - page.rows;
        } else if (page.rows < size && !m_plan.aggregate) {
            m_count = first + page.rows; // the end of the rows
        }
        if (m_plan.aggregate)
            m_count = page.rows;
        if (!orders.empty()) {
            page.firstOrder = orders.front();
            page.lastOrder = orders.back();
        }
        if (!keys.empty()) {
            page.firstKey = keys.front();
            page.lastKey = keys.back();
        }
        if (after != m_pages.end() && after->rows > 0)
            page.first = after->first + after->rows;
        keep(std::move(page));
        return {};
    }

    // The first page stays; of the others, the ones read longest ago go.
    void keep(Page page)
    {
        m_pages.push_back(std::move(page));
        while (m_pages.size() > pagesKept + 1) {
            const auto victim = std::find_if(m_pages.begin(), m_pages.end(), [](const Page& kept) { return kept.first != 0; });
            if (victim == m_pages.end())
                break;
            m_pages.erase(victim);
        }
    }

    std::shared_ptr<ServerConnection> m_server;
    std::shared_ptr<RecentRows> m_recent;
    QByteArray m_table;
    ServerQuery::Plan m_plan;
    QString m_query;
    QByteArray m_order;
    bool m_keyed = false;
    QStringList m_columns;
    std::vector<Page> m_pages;
    std::optional<qsizetype> m_count;
};

QByteArray schemaFor(const QString& searchField)
{
    if (searchField.compare(Column::french, Qt::CaseInsensitive) == 0)
        return "fr_en";
    if (searchField.compare(Column::english, Qt::CaseInsensitive) == 0)
        return "en_fr";
    return {};
}

} // namespace

ServerStore::ServerStore(ConnectionDescription description, std::shared_ptr<ServerConnection> server, QByteArray table, ServerQuery::Table columns)
    : m_description(std::move(description))
    , m_server(std::move(server))
    , m_recent(std::make_shared<RecentRows>())
    , m_table(std::move(table))
    , m_columns(std::move(columns))
{
}

ServerStore::~ServerStore() = default;

Result<std::shared_ptr<Store>> ServerStore::open(const ConnectionDescription& description)
{
    const QByteArray schema = schemaFor(description.searchField);
    if (schema.isEmpty())
        return Failure { FailureNumber::BadConnectionDescription,
                         QStringLiteral("%1 names a server, which only a dictionary window (French or English) reads").arg(description.file) };
    auto server = ServerConnection::open(description.serverConnection, session());
    if (!server) {
        Failure failure = server.failure();
        failure.description = description.file + QStringLiteral(": ") + failure.description;
        return failure;
    }
    const QByteArray table = schema + ".ps";
    // Found by name in the catalogue, which any role may read: looking the table up through
    // its schema would already need the right to use that schema.
    auto columns = (*server)->select("SELECT a.attname, has_schema_privilege(n.oid, 'USAGE') AND has_table_privilege(c.oid, 'SELECT') FROM pg_class c "
                                     "JOIN pg_namespace n ON n.oid = c.relnamespace JOIN pg_attribute a ON a.attrelid = c.oid WHERE n.nspname = '"
                                     + schema + "' AND c.relname = 'ps' AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum");
    if (!columns)
        return Failure { columns.failure().number, description.file + QStringLiteral(": ") + columns.failure().description };
    const QString where = (*server)->describe();
    if (columns->count == 0)
        return Failure { FailureNumber::FileNotFound, QStringLiteral("%1: the dictionary's table %2 is not on the server (%3): publish it there with evelmora-tables publish")
                                                          .arg(description.file, QString::fromUtf8(table), where) };
    ServerQuery::Table published { .columns = {}, .keyField = schema == "fr_en" ? "frensh" : "english" };
    int orderColumns = 0;
    bool readable = true;
    for (qsizetype row = 0; row < columns->count; ++row) {
        const std::string& name = *columns->cells[static_cast<std::size_t>(2 * row)];
        readable = readable && columns->cells[static_cast<std::size_t>(2 * row + 1)] == std::optional<std::string>("t");
        if (orderColumn(name))
            ++orderColumns;
        else
            published.columns.push_back(name);
    }
    if (!readable)
        return Failure { FailureNumber::CannotReadFile, QStringLiteral("%1: the server (%2) does not let this user read %3: the role needs SELECT on it and USAGE on its schema")
                                                            .arg(description.file, where, QString::fromUtf8(table)) };
    if (orderColumns != 3 || std::find(published.columns.begin(), published.columns.end(), published.keyField) == published.columns.end())
        return Failure { FailureNumber::MalformedTable, QStringLiteral("%1: %2 on the server (%3) is not a published dictionary, or one from an older version: publish it again")
                                                            .arg(description.file, QString::fromUtf8(table), where) };
    std::shared_ptr<ServerStore> store(new ServerStore(description, std::move(*server), table, std::move(published)));
    // The window's first search would otherwise wait for the server to read the key index's
    // description and plan the search's statements: done now, while the window opens. What
    // they find does not matter, and neither does a failure, which the search would meet too.
    const QueryTexts::Direction& texts = schema == "fr_en" ? QueryTexts::frenchToEnglish : QueryTexts::englishToFrench;
    // A server that does not answer in time, though, would keep every step of the window
    // waiting as long: better said once, now.
    for (const std::string& text : { SearchPlan::exactQuery(texts, ""), SearchPlan::beginningQuery(texts, "") }) {
        auto result = store->execute(QString::fromStdString(text));
        if (!result)
            continue;
        if (auto read = (*result)->hasRow(0); !read && read.failure().number == FailureNumber::TimedOut)
            return Failure { read.failure().number, description.file + QStringLiteral(": ") + read.failure().description };
    }
    return std::shared_ptr<Store>(std::move(store));
}

ServerConnection::Session ServerStore::session()
{
    return {
        .connectSeconds = connectSeconds,
        .readOnly = true,
        .statementMilliseconds = statementMilliseconds,
        .passwordRefused = true,
        // The server's own limit speaks first, with its reason; this one is for a server that
        // cannot speak at all.
        .answerMilliseconds = statementMilliseconds + 2000,
    };
}

Result<std::unique_ptr<QueryResult>> ServerStore::execute(const QString& recordSource)
{
    if (m_observer)
        m_observer(recordSource);
    if (auto reason = unsendableQueryText(recordSource))
        return Failure { FailureNumber::QueryFailed, *reason };
    ServerQuery::Translation translation = ServerQuery::translate(recordSource.toStdString(), m_columns);
    if (!translation.plan)
        return Failure { FailureNumber::QueryFailed,
                         QStringLiteral("the query \"%1\" cannot be run on the server: %2").arg(recordSource, QString::fromStdString(translation.problem)) };
    return std::unique_ptr<QueryResult>(new ServerQueryResult(m_server, m_recent, m_table, std::move(*translation.plan), recordSource));
}

Outcome ServerStore::compileTo(const QString&)
{
    return Failure { FailureNumber::ProviderNotSupported,
                     QStringLiteral("a dictionary on a server is not compiled: compile the data directory it was published from") };
}
