#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QString>
#include <QStringList>

#include "connectiondescription.h"
#include "failure.h"
#include "texttable.h"

// One field of a result row as the store holds it.
struct FieldValue final {
    QString text;
    bool null = false;
};

// The rows of one query, read from the store as they are first needed, so a cursor can go
// back and forth over them without the store sending every row. Counting the rows does not
// fetch them.
class QueryResult {
public:
    virtual ~QueryResult() = default;

    // True when row `index` exists; afterwards its values can be read.
    virtual Result<bool> hasRow(qsizetype index) = 0;
    // Whether the result has any row, without moving the rows kept.
    virtual Result<bool> hasRows() = 0;
    virtual Result<qsizetype> rowCount() = 0;

    // The index of the column named so, without regard to case; -1 when there is none.
    virtual int columnIndex(QStringView name) const = 0;
    // A row for which hasRow was last true, or any row kept since (row 0 stays readable).
    virtual FieldValue value(qsizetype row, int column) const = 0;
    // The same as UTF-8, without making a string of it; empty for a missing value.
    virtual std::string bytes(qsizetype row, int column) const = 0;
    // The record source the result came from.
    virtual const QString& query() const = 0;
};

// The relational store behind a window's cursors, as its connection file names it: text
// tables, a compiled SQLite store, or a dictionary published on a PostgreSQL server. Every
// kind answers the windows' query texts with the same rows in the same order, and only reads.
// openStore (storefactory.h) opens the kind a connection file names.
class Store {
public:
    virtual ~Store() = default;

    // Runs a record source: a query text, or a table name alone for the whole table in
    // stored order.
    virtual Result<std::unique_ptr<QueryResult>> execute(const QString& recordSource) = 0;

    virtual const ConnectionDescription& description() const = 0;

    // Writes the tables loaded so far, with their indexes and orderings, into a new SQLite
    // database file, which a connection file can then name with Provider=sqlite.
    virtual Outcome compileTo(const QString& databaseFile) = 0;

    // The text columns that get an index when their table loads: the search fields. A window
    // names its own, so a table is not indexed for the other direction too.
    virtual void setIndexedColumns(const QStringList& columns) = 0;

    // Where the time of loading the text tables went, for the benchmarks.
    struct LoadTimes {
        TextTable::ReadTimes read; // the file, its decoding, splitting, and the rows going in
        double indexMs = 0;
        double orderingMs = 0;
    };
    virtual const LoadTimes& loadTimes() const = 0;

    // Sees every query text the store is asked to run; for tests and diagnostics.
    virtual void setQueryObserver(std::function<void(const QString&)> observer) = 0;
};

// The columns of the program's tables, by the names they are written with.
namespace Column {
inline constexpr QStringView english = u"English";
inline constexpr QStringView french = u"Frensh";
inline constexpr QStringView num = u"num";
inline constexpr QStringView subfield = u"Subfield";
inline constexpr QStringView label = u"Label";
inline constexpr QStringView grammar = u"Grammar";
inline constexpr QStringView translationGrammar = u"TranslationGrammar";
inline constexpr QStringView definitionFrench = u"DefinitionFr";
inline constexpr QStringView definitionEnglish = u"DefinitionEn";
inline constexpr QStringView notes = u"Notes";
inline constexpr QStringView related = u"Related";
} // namespace Column

// Where a table's columns are in a result: English and Frensh always, num when asked for,
// Subfield, Label and the record where the build wrote them (-1 otherwise: tables made elsewhere may lack
// them).
struct TableColumns final {
    int english = -1;
    int french = -1;
    int num = -1;
    int subfield = -1;
    int label = -1;
    // The entry's record (termrecord.h), where the build wrote one.
    int grammar = -1;
    int translationGrammar = -1;
    int definitionFrench = -1;
    int definitionEnglish = -1;
    int notes = -1;
    int related = -1;

    bool hasRecord() const { return grammar >= 0; }
    // A missing required column is failure 3265, naming `table` (its connection file).
    static Result<TableColumns> of(const QueryResult& rows, const QString& table, bool withNum);
};

// Calls `visit` with each row's index in the result's order, until the rows end or a visit
// fails.
Outcome forEachRow(QueryResult& rows, const std::function<Outcome(qsizetype)>& visit);

// The first character of a text that cannot go to a store as it is: a NUL would end it early
// and a lone surrogate has no UTF-8 form, so either would change what it says.
struct UnsendableCharacter final {
    qsizetype position = 0; // from 1
    bool nul = false;       // else half a surrogate pair
};
std::optional<UnsendableCharacter> firstUnsendable(QStringView text);
// The same said of a query text.
std::optional<QString> unsendableQueryText(const QString& sql);
