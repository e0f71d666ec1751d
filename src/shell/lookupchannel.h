#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Look-ups handed from one start of the program to the one already running for the same user
// on the same display, over a socket in the abstract namespace: nothing is made on disk.
namespace LookupChannel {

// The socket's name for this user and display.
QString name();

// Hands the look-up to the running program; true when it took it. Needs no Qt application:
// it runs before the program decides to start.
bool handOver(const QString& name, bool english, const std::string& word);

} // namespace LookupChannel

// The running program's end of the channel.
class LookupServer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LookupServer)

public:
    explicit LookupServer(QObject* parent = nullptr);
    ~LookupServer() override;

    // False when another start of the program already listens on that name.
    bool listen(const QString& name);

signals:
    void lookUpRequested(bool english, const QString& word);

private:
    QLocalServer* m_server;
};
