#pragma once

#include <QString>
#include <QTemporaryDir>

// A throwaway PostgreSQL server for a test: a cluster made in a temporary folder, listening on a
// Unix socket there only, stopped and removed with the object. Run as nobody when the tests
// run as root, since the server refuses root.
class PgServer final {
public:
    // On its socket only, or also on the loopback interface (for measuring as a desktop
    // reads a server over TCP).
    explicit PgServer(bool loopback = false);
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // Why it did not start; empty when it runs.
    const QString& problem() const { return m_problem; }
    // libpq's connection string for `database` as the cluster's superuser.
    QString connection(const QString& database = QStringLiteral("postgres"), const QString& user = QStringLiteral("evelmora")) const;
    // The same over TCP to 127.0.0.1, when the server listens there.
    QString loopbackConnection(const QString& database = QStringLiteral("postgres"), const QString& user = QStringLiteral("evelmora")) const;
    // Runs SQL through psql, as the superuser by default: its output, a value a line, or
    // "psql failed: " and why.
    QString psql(const QString& sql, const QString& user = QStringLiteral("evelmora")) const;
    // Puts `rule` first in the server's pg_hba.conf and has the server read it again; empty
    // when done, else why not.
    QString authenticateFirst(const QByteArray& rule) const;
    // Stops every process of the server (SIGSTOP), as a hung host or a debugger would, or lets
    // them go on (SIGCONT): the connections stay open, nothing answers on them.
    void setStopped(bool stopped) const;
    // The folder the socket lives in.
    QString socketFolder() const { return m_folder.path(); }
    int port() const { return m_port; }

private:
    bool run(const QString& program, const QStringList& arguments, QString* output = nullptr) const;

    QTemporaryDir m_folder;
    QString m_binaries;
    int m_port = 0;
    bool m_running = false;
    QString m_problem;
};
