#include "cursor.h"

Cursor::Cursor(std::shared_ptr<Store> store) : m_store(std::move(store))
{
    m_closedReason = { FailureNumber::CursorClosed, QStringLiteral("The cursor is closed: its record source has not been run.") };
}

Cursor::Cursor(Failure storeFailure)
{
    m_closedReason = { FailureNumber::CursorClosed,
                       QStringLiteral("The cursor is closed: ") + QString::number(storeFailure.number) + u' ' + storeFailure.description };
}

namespace {

Failure noCurrentEntry()
{
    return { FailureNumber::NoCurrentEntry,
             QStringLiteral("No current entry: the cursor stands before the first or after the last entry.") };
}

} // namespace

Outcome Cursor::closedFailure() const
{
    if (m_result)
        return {};
    return m_closedReason;
}

Outcome Cursor::refresh()
{
    m_result.reset();
    m_position = Position::BeforeFirst;
    m_index = -1;
    if (!m_store)
        return m_closedReason;
    auto result = m_store->execute(m_recordSource);
    if (!result) {
        m_closedReason = { FailureNumber::CursorClosed, QStringLiteral("The cursor is closed: its last query failed: ") + result.failure().description };
        return result.failure();
    }
    m_result = std::move(*result);
    auto first = m_result->hasRow(0);
    if (!first)
        return first.failure();
    if (*first) {
        m_position = Position::OnEntry;
        m_index = 0;
    }
    return {};
}

Outcome Cursor::goTo(qsizetype index)
{
    if (index < 0) {
        m_position = Position::BeforeFirst;
        m_index = -1;
        return {};
    }
    auto exists = m_result->hasRow(index);
    if (!exists)
        return exists.failure();
    if (*exists) {
        m_position = Position::OnEntry;
        m_index = index;
    } else {
        m_position = Position::AfterLast;
        m_index = -1;
    }
    return {};
}

Failure Cursor::noEntries() const
{
    return { FailureNumber::NoCurrentEntry, QStringLiteral("No current entry: %1 gives no entries").arg(m_recordSource.trimmed().left(200)) };
}

Outcome Cursor::moveFirst()
{
    if (auto closed = closedFailure(); !closed)
        return closed;
    auto exists = m_result->hasRow(0);
    if (!exists)
        return exists.failure();
    if (!*exists)
        return noEntries();
    return goTo(0);
}

Outcome Cursor::moveLast()
{
    if (auto closed = closedFailure(); !closed)
        return closed;
    auto count = m_result->rowCount();
    if (!count)
        return count.failure();
    if (*count == 0)
        return noEntries();
    return goTo(*count - 1);
}

Outcome Cursor::moveNext()
{
    if (auto closed = closedFailure(); !closed)
        return closed;
    switch (m_position) {
    case Position::AfterLast:
        return noCurrentEntry();
    case Position::BeforeFirst:
        return moveFirst();
    case Position::OnEntry:
        break;
    }
    return goTo(m_index + 1);
}

Outcome Cursor::movePrevious()
{
    if (auto closed = closedFailure(); !closed)
        return closed;
    switch (m_position) {
    case Position::BeforeFirst:
        return noCurrentEntry();
    case Position::AfterLast:
        return moveLast();
    case Position::OnEntry:
        break;
    }
    return goTo(m_index - 1);
}

Outcome Cursor::move(qint64 count)
{
    if (auto closed = closedFailure(); !closed)
        return closed;
    // The count is taken from the current entry, so there must be one.
    if (m_position != Position::OnEntry)
        return noCurrentEntry();
    if (count == 0)
        return {};
    return goTo(m_index + count);
}

Result<qsizetype> Cursor::recordCount()
{
    if (auto closed = closedFailure(); !closed)
        return closed.failure();
    return m_result->rowCount();
}

Result<FieldValue> Cursor::field(QStringView name) const
{
    if (auto closed = closedFailure(); !closed)
        return closed.failure();
    const int column = m_result->columnIndex(name);
    if (column < 0)
        return Failure { FailureNumber::FieldNotFound, QStringLiteral("no field named %1 in the result of \"%2\"").arg(name, m_result->query()) };
    if (m_position != Position::OnEntry)
        return noCurrentEntry();
    return m_result->value(m_index, column);
}

Result<bool> Cursor::hasEntries()
{
    if (!m_result)
        return false;
    return m_result->hasRows();
}
