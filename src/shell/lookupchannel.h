#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

// Look-ups handed from one start of the program to the one already running for the same user
// on the same display, over a socket in the abstract namespace: nothing is made on disk. Such
// a socket has no permissions, so both ends check that the other is the same user before a
// byte goes either way; and since another user can take a name first, a few alternates follow
// the name, tried in turn by both ends.
namespace LookupChannel {

// The socket's name for this user and display.
QString name();

// `name` and its alternates, in the order both ends try them.
QStringList namesFor(const QString& name);

// Hands the look-up to the running program; true when it took it. Needs no Qt application:
// it runs before the program decides to start. Sends nothing to a listener of another user.
bool handOver(const QString& name, bool english, const std::string& word);

inline constexpr int alternates = 8;
inline constexpr std::size_t maxWordBytes = 64 * 1024;

} // namespace LookupChannel

// The running program's end of the channel. It answers only its own user, buffers no more
// than one request's bytes, closes connections that go quiet, holds only a few at once, and
// keeps listening whatever a client does.
class LookupServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LookupServer)

public:
    explicit LookupServer(QObject* parent = nullptr);
    ~LookupServer() override;

    // Listens on the first of the name's alternates that no other user holds; false when
    // another start of the program (this user's) already listens, or when every name is taken.
    bool listen(const QString& name);
    // The name it listens on; empty before.
    QString listening() const { return m_name; }

    static constexpr int idleMilliseconds = 2000;   // a connection that sends nothing so long is closed
    static constexpr int requestMilliseconds = 5000; // and one whose request takes longer in all
    static constexpr std::size_t connectionsHeld = 8;

signals:
    // Emitted from the event loop once the request's connection is closed, so that whatever
    // the receiver does (a message box and its own event loop) the connection is done with.
    void lookUpRequested(bool english, const QString& word);

private:
    class Connection;

    void acceptPending();
    void read(Connection* connection);
    void drop(Connection* connection);

    int m_socket = -1;
    QString m_name;
    QSocketNotifier* m_incoming = nullptr;
    std::vector<Connection*> m_connections;
};
