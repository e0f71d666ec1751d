#pragma once

#include <optional>

#include <QJsonObject>
#include <QString>

#include "failure.h"
#include "termrecord.h"

class Cursor;

// The record of the entry under a cursor, as the build wrote it beside the entry's columns.
struct EntryRecord final {
    TermRecord::Side term;        // the term looked up: grammar, notes, related terms
    TermRecord::Side translation; // grammar only
    QString definitionFrench;
    QString definitionEnglish;

    // Nothing when the table has no record columns; a failure when a record column holds what
    // the build never writes.
    static Result<std::optional<EntryRecord>> at(const Cursor& cursor);

    // {"pos", "gender", "plural", "definitionFr", "definitionEn", "notes", "related",
    // "translation": {"pos", "gender", "plural"}}, null where the record says nothing.
    QJsonObject json() const;
};
