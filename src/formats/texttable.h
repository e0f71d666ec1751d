#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include <QList>
#include <QString>

#include "failure.h"

// Text tables in the conventions of the text-file database drivers: a delimited file, its
// layout described by a section of the schema.ini beside it, else CSV with a header line.
namespace TextTable {

// The largest table file read; the build writes none larger.
inline constexpr qint64 maxTableBytes = qint64(256) << 20;

enum class ColumnType { Text, Integer, Real };

struct Column final {
    QString name;
    ColumnType type = ColumnType::Text;
};

// One field of a row, in UTF-8 whatever the file's encoding; valid until the row sink returns.
struct Cell final {
    std::string_view text;
    bool null = false;   // an empty unquoted field: a missing value
    bool quoted = false; // written in double quotes: every character between them counts
};

// Called once per row with as many cells as there are columns; a failure stops the load.
using RowSink = std::function<Outcome(const std::vector<Cell>& cells, int line)>;

// Where the time of a read went, for the benchmarks. The file is split on a second thread while
// the row sink works, so the parts overlap.
struct ReadTimes final {
    double readMs = 0;   // the file from disk
    double decodeMs = 0; // checked as UTF-8, or converted to it
    double splitMs = 0;  // into fields, on the second thread
    double sinkMs = 0;   // the row sink, on the caller's thread
};

// Reads `path`, reporting its columns first and then every row. Failures name the file and,
// for a bad row, its line.
Outcome read(const QString& path, const std::function<Outcome(const QList<Column>&)>& columnsSink, const RowSink& rowSink,
             ReadTimes* times = nullptr);

// A whole number as an Integer column holds it: blanks around it, an optional sign, digits,
// within 64 bits.
std::optional<qint64> wholeNumber(std::string_view text);

} // namespace TextTable
