#pragma once

#include <QString>
#include <QStringList>

#include "failure.h"

class QueryResult;
struct TableColumns;

// Where the entry view searches a direction's entries: an index of SQLite's in memory or in a
// compiled store, or the one a server keeps beside its published table.
class SearchIndex {
public:
    virtual ~SearchIndex() = default;

    struct Hits {
        QStringList beginning;  // headwords that begin with the text, in the dictionary's order
        QStringList translated; // then those whose headword or translation holds it
        QStringList containing; // then those whose other words hold it; each headword in one list only
    };
    // At most `limit` headwords in all, each once. The last word of the text may be the
    // beginning of a word; the others must be whole. A single letter is looked for at the start
    // of headwords only.
    virtual Result<Hits> search(const QString& text, int limit) const = 0;

    // A row's texts as every index keeps them, folded by SearchText.
    struct Entry {
        QString term;        // the headword as written
        QString head;        // folded
        QString translation; // folded, without the label the tables show after it
        QString body;        // folded: label, definitions, notes and warnings
    };
    static Entry entryOf(const QueryResult& rows, qsizetype row, const TableColumns& columns, int head);
};
