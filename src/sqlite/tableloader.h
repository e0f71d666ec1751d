#pragma once

#include <string>
#include <utility>
#include <vector>

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include "store.h"
#include "texttable.h"

struct sqlite3_stmt;
class StoreConnection;

// Loads one text table of a table directory into the store's engine, whole or not at all: its
// rows, an index on each search field, and the browse order by it.
class TableLoader final {
public:
    // What a compiled copy and the seeks need to know of a table loaded into the main schema.
    struct Loaded final {
        QString table;
        bool inMain = false;
        QString definition;       // its columns, as CREATE TABLE has them
        QStringList indexed;      // its indexed columns
        QMap<QString, QString> orderings; // "table\tcolumn" to the table of that order
    };

    TableLoader(StoreConnection& connection, const QString& tableDirectory, const QStringList& indexedColumns, Store::LoadTimes& times);
    ~TableLoader();
    TableLoader(const TableLoader&) = delete;
    TableLoader& operator=(const TableLoader&) = delete;

    // Table "PS" is the file PS.txt; "p1.txt", which SQL reads as table txt of schema p1, is
    // the file p1.txt, loaded into a schema of that name.
    Result<Loaded> load(const QString& name);

private:
    struct Value {
        enum class Kind { Null, Integer, Real, Text } kind;
        qint64 integer = 0;
        double real = 0;
        std::size_t offset = 0;
        std::size_t size = 0;
    };

    Result<QString> locate(const QString& name) const;
    Outcome createTable(const QList<TextTable::Column>& columns);
    Outcome prepareInsert(int rows);
    Outcome addRow(const std::vector<TextTable::Cell>& cells, int line);
    Outcome insertPending();
    Outcome indexAndOrder();

    StoreConnection& m_connection;
    const QString m_tableDirectory;
    const QStringList m_indexedColumns;
    Store::LoadTimes& m_times;

    QString m_path;
    QString m_schema;
    QString m_target; // "schema"."table"
    Loaded m_loaded;
    QList<TextTable::Column> m_columns;
    // Rows go in many to a statement, which saves most of the engine's work per row; the
    // values wait in m_pending until a statement's worth has come.
    sqlite3_stmt* m_insert = nullptr;
    QString m_rowPlaceholders;
    int m_rowsPerInsert = 1;
    std::vector<Value> m_pending;
    std::string m_pendingText;
    int m_pendingRows = 0;
    int m_firstPendingLine = 0;
};
