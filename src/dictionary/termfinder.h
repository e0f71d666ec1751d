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
        bool incomplete = false; // closest among the terms read so far: not all could be read yet
    };
    // At most `length` terms; none for an empty text or one no query can hold. The closest
    // ones read the terms not yet read first, for at most `readingMilliseconds` (all of them
    // when negative).
    List listFor(const QString& typed, int readingMilliseconds = -1);

    static constexpr int length = 10;

    // The closest terms need every term of the field, read once. This reads some more of them,
    // for about `milliseconds`, so that a window can read them while it waits for the user.
    // A page that cannot be read is asked for again on the next call, from where it stopped.
    enum class Reading { More, Done, Failed };
    Reading prepare(int milliseconds);

private:

    std::shared_ptr<Store> m_store;
    const Direction& m_direction;
    std::unique_ptr<TermSuggestions::Index> m_index;
    std::unique_ptr<QueryResult> m_reading; // the terms not yet read
    qsizetype m_read = 0;
    bool m_complete = false;
};
