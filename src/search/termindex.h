#pragma once

#include <memory>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "failure.h"
#include "searchindex.h"

class QueryResult;
struct sqlite3;

// A full-text index (SQLite's FTS5) of one direction's entries: each headword, and the words
// of its translation, label, definitions and notes, folded by SearchText. It lives in memory,
// built from the rows a store gives, or in a compiled store's file beside its tables.
class TermIndex final : public SearchIndex {
public:
    ~TermIndex() override;
    TermIndex(const TermIndex&) = delete;
    TermIndex& operator=(const TermIndex&) = delete;

    // `rows` are the direction's table in the dictionary's order, `headField` its search field.
    static Result<std::unique_ptr<TermIndex>> build(QueryResult& rows, const QString& headField);
    // The same index written into the database `schema` of a connection (a compiled store
    // being written), replacing any before, inside the transaction under way.
    static Outcome writeInto(sqlite3* handle, const QString& schema, QueryResult& rows, const QString& headField);
    // The index a compiled store holds, read-only; null when it holds none.
    static Result<std::unique_ptr<TermIndex>> open(const QString& databaseFile, const QString& headField);

    Result<Hits> search(const QString& text, int limit) const override;

private:
    TermIndex(sqlite3* handle, const QString& headField);

    sqlite3* m_handle;
    QByteArray m_table;
};
