#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "connectiondescription.h"

class QThread;
struct Direction;

// The search inside a direction's entries (headwords, translations, definitions, notes), on
// a thread of its own over a store of its own opened from the same connection file: the index
// is read from a compiled store or built from the tables there, so neither the building nor a
// slow server ever holds up a window.
class EntrySearch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EntrySearch)

public:
    EntrySearch(const ConnectionDescription& description, const Direction& direction, QObject* parent = nullptr);
    // Returns at once: a building or a question under way is left to end on its own.
    ~EntrySearch() override;

    enum class State { Preparing, Ready, Failed };
    State state() const { return m_state; }
    // Why the index could not be had, once Failed.
    const QString& problem() const { return m_problem; }

    // The headwords for `text`, by `found`; a question not yet taken up gives way to this one.
    // Asked before the index is ready, it is answered once it is.
    void ask(const QString& text);

    static constexpr int limit = 200;

signals:
    void stateChanged(EntrySearch::State state);
    void found(const QString& text, const QStringList& beginning, const QStringList& translated, const QStringList& containing);

private:
    class Worker;

    QThread* m_thread;
    Worker* m_worker;
    State m_state = State::Preparing;
    QString m_problem;
};
