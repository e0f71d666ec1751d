#pragma once

#include <memory>

#include <QObject>
#include <QString>

#include "connectiondescription.h"
#include "termfinder.h"

class QThread;
struct Direction;

// The lists of a TermFinder worked out on a thread of its own, over a store of its own opened
// from the same connection file: for a store whose answers may be slow in coming or not come
// at all (a server), so that the window keeps taking keys whatever the store does. It reads
// every term there too, between questions, and reads again later what it could not read.
class BackgroundTermFinder final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundTermFinder)

public:
    BackgroundTermFinder(const ConnectionDescription& description, const Direction& direction, QObject* parent = nullptr);
    // Returns at once: a question under way is left to end on its own.
    ~BackgroundTermFinder() override;

    // The list for `typed`, by the signal; a question not yet taken up gives way to this one.
    void ask(const QString& typed);

    // How long a list may wait for terms not yet read before it offers the closest so far.
    static constexpr int readingMilliseconds = 1000;
    // After a page that could not be read, the reading waits this long before it asks again.
    static constexpr int retryMilliseconds = 5000;

signals:
    void listed(const QString& typed, const TermFinder::List& list);

private:
    class Worker;

    QThread* m_thread;
    Worker* m_worker;
};
