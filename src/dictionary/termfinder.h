#pragma once

#include <memory>

#include <QString>
#include <QStringList>

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

private:
    // The closest terms need every term of the field, read once, the first time they do.
    const TermSuggestions::Index* index();

    std::shared_ptr<Store> m_store;
    const Direction& m_direction;
    std::unique_ptr<TermSuggestions::Index> m_index;
};
