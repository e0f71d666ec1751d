#pragma once

#include <optional>

#include <QString>

#include "failure.h"
#include "store.h"

class Cursor;
struct Direction;

// The entry a typed word leads to, as the lookup cursor holds it. Each field is read as the
// window shows it: a missing field, or a missing English or French term, is its failure.
struct FoundEntry final {
    bool exact = false;
    QString beginning; // the word itself, or the beginning of it whose range found the entry
    Result<QString> english;
    Result<QString> french;
    Result<FieldValue> num;
};

// The search of a dictionary window on its lookup cursor: the exact match, then ever shorter
// beginnings of the word (the plan every search of the program follows). It leaves the lookup
// cursor on the entry found; placing the browse cursor and showing the entry are the window's.
class WordSearch final {
public:
    WordSearch(const Direction& direction, Cursor& lookup);

    // Failure 5 when no beginning finds anything or the word holds what no query can (a NUL,
    // half a surrogate pair); the store's failure when a query fails.
    Result<FoundEntry> find(const QString& word);

    // The word refused before any query is built from it, or success.
    static Outcome checkWord(const QString& word);

private:
    // The folded length of the longest text in the search field, asked once; 0 when unknown.
    qsizetype longestEntry();

    const Direction& m_direction;
    Cursor& m_lookup;
    std::optional<qsizetype> m_longestEntry;
};

// A term field of the entry under the cursor: failure 94 when the entry has none.
Result<QString> termField(const Cursor& cursor, QStringView name);

// The browse position a num field names: the nearest whole number, halves to even, from 0
// within 32 bits.
Result<qint32> browsePosition(const FieldValue& num);
