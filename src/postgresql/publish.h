#pragma once

#include <QString>

#include "failure.h"
#include "store.h"

// A data directory's dictionary on a PostgreSQL server, for every desktop of a department to
// read. Each direction's table goes into a schema of its own (fr_en, en_fr) as table ps, with
// its columns, a key column holding the search field as the program's ordering folds it
// (UTF-8 bytes, which compare as the ordering does), and its stored order; ties of the key
// keep the stored order.
namespace Publish {

struct Published final {
    qsizetype frenchToEnglish = 0;
    qsizetype englishToFrench = 0;
    QString where; // the database and server, in words
};

// One direction's table as a data directory holds it: its rows in stored order, where its
// columns are, and the connection file it was read through, for failures.
struct Source final {
    QueryResult* rows = nullptr;
    TableColumns columns;
    bool byFrench = false; // its search field is Frensh
    QString name;
};

// Replaces both tables on the server in one transaction: a reader sees the old dictionary or
// the new one, never a mix. Whoever could read the old tables can read the new ones.
Result<Published> publish(const Source& frenchToEnglish, const Source& englishToFrench, const QString& connectionString);

// A published table's search terms and num in the window's browse order (by the key for
// French to English, stored order for English to French), for checking.
Result<QList<std::pair<QString, FieldValue>>> browseOrder(const QString& connectionString, bool frenchToEnglish);

// The schema a direction's table is published in.
QString schemaOf(bool frenchToEnglish);

} // namespace Publish
