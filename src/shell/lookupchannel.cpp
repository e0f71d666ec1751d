#include "lookupchannel.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <QLocalServer>
#include <QLocalSocket>

// A request is one line "fr <bytes>" or "en <bytes>", then the word's bytes; the answer "ok\n".
namespace LookupChannel {
namespace {

constexpr int answerTimeoutMs = 3000;
constexpr qint64 maxWordBytes = 64 * 1024;

bool writeAll(int socket, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::send(socket, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
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

bool handOver(const QString& name, bool english, const std::string& word)
{
    if (static_cast<qint64>(word.size()) > maxWordBytes)
        return false;
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray path = name.toUtf8();
    if (path.size() + 1 > static_cast<qsizetype>(sizeof address.sun_path)) {
        ::close(socket);
        return false;
    }
    // The abstract namespace: a name that begins with a NUL byte.
    std::memcpy(address.sun_path + 1, path.constData(), static_cast<std::size_t>(path.size()));
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + static_cast<std::size_t>(path.size()));
    bool taken = false;
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), length) == 0
        && writeAll(socket, std::string(english ? "en " : "fr ") + std::to_string(word.size()) + '\n' + word)) {
        pollfd wait { socket, POLLIN, 0 };
        char answer[3] = {};
        taken = ::poll(&wait, 1, answerTimeoutMs) == 1 && ::recv(socket, answer, sizeof answer, MSG_WAITALL) == 3 && std::memcmp(answer, "ok\n", 3) == 0;
    }
    ::close(socket);
    return taken;
}

} // namespace LookupChannel

LookupServer::LookupServer(QObject* parent) : QObject(parent), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = m_server->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, client, [this, client] {
                const QByteArray bytes = client->peek(client->bytesAvailable());
                const qsizetype header = bytes.indexOf('\n');
                if (header < 0)
                    return;
                const QList<QByteArray> fields = bytes.left(header).split(' ');
                bool ok = false;
                const qint64 size = fields.size() == 2 ? fields[1].toLongLong(&ok) : -1;
                if (!ok || size < 0 || size > LookupChannel::maxWordBytes || (fields[0] != "fr" && fields[0] != "en")) {
                    client->abort();
                    return;
                }
                if (bytes.size() < header + 1 + size)
                    return; // the rest is on its way
                const QString word = QString::fromUtf8(bytes.mid(header + 1, size));
                client->read(header + 1 + size);
                client->write("ok\n");
                client->flush();
                emit lookUpRequested(fields[0] == "en", word);
            });
        }
    });
}

LookupServer::~LookupServer() = default;

bool LookupServer::listen(const QString& name)
{
    return m_server->listen(name);
}
