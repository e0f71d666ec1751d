#pragma once

#include <functional>

#include <QList>
#include <QString>

#include "failure.h"

// Text tables in the conventions of the text-file database drivers: a delimited file, its
// layout described by a section of the schema.ini beside it, else CSV with a header line.
namespace TextTable {

enum class ColumnType { Text, Integer, Real };

struct Column final {
    QString name;
    ColumnType type = ColumnType::Text;
};

struct Cell final {
    QString text;
    bool null = false;
    bool quoted = false; // written in double quotes: every character between them counts
};

// Called once per row with as many cells as there are columns; a failure stops the load.
using RowSink = std::function<Outcome(const QList<Cell>& cells, int line)>;

// Reads `path`, reporting its columns first and then every row. Failures name the file and,
// for a bad row, its line.
Outcome read(const QString& path, const std::function<Outcome(const QList<Column>&)>& columnsSink, const RowSink& rowSink);

} // namespace TextTable
