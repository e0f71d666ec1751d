#pragma once

#include <memory>

#include <QString>

#include "failure.h"
#include "store.h"

// A data control with its recordset: a record source run on a store, and a position that is
// on an entry, before the first or after the last. Failure 3021 means no current entry.
class Cursor final {
public:
    // A cursor on an open store, or a closed one that reports why its store did not open.
    explicit Cursor(std::shared_ptr<Store> store);
    explicit Cursor(Failure storeFailure);

    void setRecordSource(const QString& recordSource) { m_recordSource = recordSource; }
    const QString& recordSource() const { return m_recordSource; }

    // Runs the record source; the cursor then stands on the first entry, or on none.
    Outcome refresh();

    Outcome moveFirst();
    Outcome moveLast();
    Outcome moveNext();
    Outcome movePrevious();
    // n entries on from the current one; past the last it stops after the last.
    Outcome move(qint64 count);

    Result<qsizetype> recordCount();
    Result<FieldValue> field(QStringView name) const;

    // Whether the current result has an entry; false when the cursor is closed.
    Result<bool> hasEntries();
    bool onEntry() const { return m_position == Position::OnEntry; }

private:
    enum class Position { BeforeFirst, OnEntry, AfterLast };

    // Why the cursor has no result to move on; success when it has one.
    Outcome closedFailure() const;
    // 3021 for a result without entries, naming the record source.
    Failure noEntries() const;
    Outcome goTo(qsizetype index);

    std::shared_ptr<Store> m_store;
    Failure m_closedReason;
    QString m_recordSource;
    std::unique_ptr<QueryResult> m_result;
    Position m_position = Position::BeforeFirst;
    qsizetype m_index = -1;
};
