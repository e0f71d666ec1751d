#pragma once

#include <memory>

#include <QString>
#include <QStringList>

class QueryResult;
class Store;
struct Direction;

namespace TermSuggestions {
class Index;
}

// What the list under a dictionary window's source box offers: the entries that begin with the
// typed text, or, when none does, the closest ones to it. It reads the store beside the window's
// cursors and leaves them where they stand.
class TermFinder final {
public:
    TermFinder(std::shared_ptr<Store> store, const Direction& direction);
    ~TermFinder();
    TermFinder(const TermFinder&) = delete;
    TermFinder& operator=(const TermFinder&) = delete;

    struct List {
        QStringList terms;
        bool closest = false; // the terms are the closest ones, none beginning with the text
    };
    // At most `length` terms; none for an empty text or one no query can hold.
    List listFor(const QString& typed);

    static constexpr int length = 10;

    // The closest terms need every term of the field, read once. This reads some more of them,
    // for about `milliseconds`, so that a window can read them while it waits for the user;
    // true once all are read (or they cannot be). The first list that needs them reads the rest.
    bool prepare(int milliseconds);

private:
    const TermSuggestions::Index* index();

    std::shared_ptr<Store> m_store;
    const Direction& m_direction;
    std::unique_ptr<TermSuggestions::Index> m_index;
    std::unique_ptr<QueryResult> m_reading; // the terms not yet read
    qsizetype m_read = 0;
    bool m_complete = false;
};
