#include "lookupchannel.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QTimer>

// A request is one line "fr <bytes>" or "en <bytes>", then the word's bytes; the answer "ok\n".
namespace LookupChannel {
namespace {

constexpr int answerTimeoutMs = 3000;
// "fr 65536\n" and a little room: a longer first line is no request.
constexpr std::size_t maxHeaderBytes = 16;

// The abstract namespace: a name that begins with a NUL byte.
std::optional<std::pair<sockaddr_un, socklen_t>> abstractAddress(const QString& name)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray path = name.toUtf8();
    if (path.isEmpty() || path.size() + 1 > static_cast<qsizetype>(sizeof address.sun_path))
        return std::nullopt;
    std::memcpy(address.sun_path + 1, path.constData(), static_cast<std::size_t>(path.size()));
    return std::pair { address, static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<std::size_t>(path.size())) };
}

// The user at the other end of a connected socket.
std::optional<uid_t> peerUser(int socket)
{
    ucred credentials {};
    socklen_t size = sizeof credentials;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 || size != sizeof credentials)
        return std::nullopt;
    return credentials.uid;
}

// A connection to a listener of this user on `name`; -1 when there is none there (nobody
// listens, another user does, or its queue is full).
int connectToOwn(const QString& name)
{
    const auto address = abstractAddress(name);
    if (!address)
        return -1;
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (socket < 0)
        return -1;
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&address->first), address->second) != 0 || peerUser(socket) != ::getuid()) {
        ::close(socket);
        return -1;
    }
    return socket;
}

bool waitFor(int socket, short events, const QDeadlineTimer& deadline)
{
    pollfd wait { socket, events, 0 };
    int ready = 0;
    do {
        ready = ::poll(&wait, 1, static_cast<int>(std::max<qint64>(0, deadline.remainingTime())));
    } while (ready < 0 && errno == EINTR);
    return ready == 1;
}

bool writeAll(int socket, const std::string& bytes, const QDeadlineTimer& deadline)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::send(socket, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && errno == EAGAIN && waitFor(socket, POLLOUT, deadline)) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

bool readAnswer(int socket, const QDeadlineTimer& deadline)
{
    std::string answer;
    while (answer.size() < 3) {
        char bytes[3];
        const ssize_t read = ::recv(socket, bytes, 3 - answer.size(), 0);
        if (read > 0)
            answer.append(bytes, static_cast<std::size_t>(read));
        else if (read < 0 && errno == EINTR)
            continue;
        else if (read < 0 && errno == EAGAIN && waitFor(socket, POLLIN, deadline))
            continue;
        else
            return false;
    }
    return answer == "ok\n";
}

} // namespace

QString name()
{
    // Per user and display: a look-up from another desktop session opens its own program.
    QByteArray display = qgetenv("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qgetenv("DISPLAY");
    return QStringLiteral("evelmora-%1-%2").arg(::getuid()).arg(QString::fromLocal8Bit(display));
}

QStringList namesFor(const QString& name)
{
    QStringList names { name };
    for (int alternate = 2; alternate <= alternates; ++alternate)
        names.append(name + u'~' + QString::number(alternate));
    return names;
}

bool handOver(const QString& name, bool english, const std::string& word)
{
    if (word.size() > maxWordBytes)
        return false;
    // The first listener of this user takes it; a program of ours never listens after one.
    for (const QString& candidate : namesFor(name)) {
        const int socket = connectToOwn(candidate);
        if (socket < 0)
            continue;
        const QDeadlineTimer deadline(answerTimeoutMs);
        const bool taken = writeAll(socket, std::string(english ? "en " : "fr ") + std::to_string(word.size()) + '\n' + word, deadline)
            && readAnswer(socket, deadline);
        ::close(socket);
        return taken;
    }
    return false;
}

} // namespace LookupChannel

// One client's request as it comes in, a bounded number of bytes at a time.
class LookupServer::Connection final {
public:
    Connection(int socket, LookupServer* server)
        : socket(socket), notifier(new QSocketNotifier(socket, QSocketNotifier::Read, server)), idle(new QTimer(server)), deadline(requestMilliseconds)
    {
        idle->setSingleShot(true);
        idle->start(LookupServer::idleMilliseconds);
    }

    int socket;
    QSocketNotifier* notifier;
    QTimer* idle;
    QDeadlineTimer deadline;
    std::string bytes;            // the header line, then the word
    std::size_t wanted = 0;       // the word's length, once the header is read
    bool english = false;
    bool headerRead = false;
};

LookupServer::LookupServer(QObject* parent) : QObject(parent) { }

LookupServer::~LookupServer()
{
    while (!m_connections.empty())
        drop(m_connections.back());
    if (m_socket >= 0)
        ::close(m_socket);
}

bool LookupServer::listen(const QString& name)
{
    if (m_socket >= 0)
        return false;
    for (const QString& candidate : LookupChannel::namesFor(name)) {
        const auto address = LookupChannel::abstractAddress(candidate);
        if (!address)
            return false;
        const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (socket < 0)
            return false;
        if (::bind(socket, reinterpret_cast<const sockaddr*>(&address->first), address->second) == 0 && ::listen(socket, 16) == 0) {
            m_socket = socket;
            m_name = candidate;
            break;
        }
        ::close(socket);
        if (errno != EADDRINUSE)
            return false;
        // Held by this user: another start of the program, which takes the look-ups. Held by
        // someone else: the next name.
        if (const int own = LookupChannel::connectToOwn(candidate); own >= 0) {
            ::close(own);
            return false;
        }
    }
    if (m_socket < 0)
        return false;
    m_incoming = new QSocketNotifier(m_socket, QSocketNotifier::Read, this);
    connect(m_incoming, &QSocketNotifier::activated, this, &LookupServer::acceptPending);
    return true;
}

void LookupServer::acceptPending()
{
    for (;;) {
        const int socket = ::accept4(m_socket, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno != EAGAIN) {
                // Out of descriptors or memory: the connections wait in the queue and the
                // socket keeps listening; it is asked again a moment later.
                m_incoming->setEnabled(false);
                QTimer::singleShot(200, this, [this] { m_incoming->setEnabled(true); });
            }
            return;
        }
        // Another user's request is never read; past a few at once, more are refused.
        if (LookupChannel::peerUser(socket) != ::getuid() || m_connections.size() >= connectionsHeld) {
            ::close(socket);
            continue;
        }
        auto* connection = new Connection(socket, this);
        m_connections.push_back(connection);
        connect(connection->notifier, &QSocketNotifier::activated, this, [this, connection] { read(connection); });
        connect(connection->idle, &QTimer::timeout, this, [this, connection] { drop(connection); });
    }
}

void LookupServer::read(Connection* connection)
{
    // Reads no more than the request still lacks: the header up to its bound, then the word.
    for (;;) {
        char chunk[4096];
        // The header a byte at a time, so that none of the word is taken for it.
        const std::size_t asked = connection->headerRead ? std::min(connection->wanted - connection->bytes.size(), sizeof chunk) : 1;
        const ssize_t got = ::recv(connection->socket, chunk, asked, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN)
            break;
        if (got <= 0) {
            drop(connection); // gone, or an error, before the request was whole
            return;
        }
        connection->bytes.append(chunk, static_cast<std::size_t>(got));
        if (!connection->headerRead) {
            if (connection->bytes.back() != '\n') {
                if (connection->bytes.size() >= LookupChannel::maxHeaderBytes) {
                    drop(connection);
                    return;
                }
                continue;
            }
            const std::string header = connection->bytes.substr(0, connection->bytes.size() - 1);
            const std::string size = header.size() > 3 ? header.substr(3) : std::string();
            const bool language = header.starts_with("fr ") || header.starts_with("en ");
            const bool digits = !size.empty() && size.size() <= 6 && std::all_of(size.begin(), size.end(), [](char c) { return c >= '0' && c <= '9'; });
            if (!language || !digits || std::stoul(size) > LookupChannel::maxWordBytes) {
                drop(connection);
                return;
            }
            connection->english = header.starts_with("en ");
            connection->wanted = std::stoul(size);
            connection->headerRead = true;
            connection->bytes.clear();
            connection->bytes.reserve(connection->wanted);
        }
        if (connection->headerRead && connection->bytes.size() == connection->wanted) {
            const bool english = connection->english;
            const QString word = QString::fromUtf8(connection->bytes.data(), static_cast<qsizetype>(connection->bytes.size()));
            ::send(connection->socket, "ok\n", 3, MSG_NOSIGNAL | MSG_DONTWAIT);
            drop(connection);
            // From the event loop, after the connection is gone.
            QMetaObject::invokeMethod(this, [this, english, word] { emit lookUpRequested(english, word); }, Qt::QueuedConnection);
            return;
        }
    }
    const qint64 left = connection->deadline.remainingTime();
    if (left == 0) {
        drop(connection);
        return;
    }
    connection->idle->start(static_cast<int>(std::min<qint64>(idleMilliseconds, left)));
}

void LookupServer::drop(Connection* connection)
{
    m_connections.erase(std::remove(m_connections.begin(), m_connections.end(), connection), m_connections.end());
    // The notifier lets go of the descriptor before it is closed; both objects may be the
    // sender of the signal being handled, so they go once it returns.
    connection->notifier->setEnabled(false);
    connection->idle->stop();
    ::close(connection->socket);
    connection->notifier->deleteLater();
    connection->idle->deleteLater();
    delete connection;
}
