#include "pgserver.h"

#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>

namespace {

constexpr uid_t nobody = 65534;

// Debian keeps the server's programs out of PATH, under /usr/lib/postgresql/<version>/bin.
QString serverBinaries()
{
    QProcess config;
    config.start(QStringLiteral("pg_config"), { QStringLiteral("--bindir") });
    if (config.waitForFinished(10000) && config.exitCode() == 0) {
        const QString bin = QString::fromUtf8(config.readAllStandardOutput()).trimmed();
        if (QFileInfo::exists(bin + QStringLiteral("/initdb")))
            return bin;
    }
    const QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QString& version : versions) {
        const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(version);
        if (QFileInfo::exists(bin + QStringLiteral("/initdb")))
            return bin;
    }
    return {};
}

} // namespace

PgServer::PgServer(bool loopback)
{
    m_binaries = serverBinaries();
    if (m_binaries.isEmpty()) {
        m_problem = QStringLiteral("no PostgreSQL server programs (initdb) found");
        return;
    }
    if (::geteuid() == 0 && ::chown(QFile::encodeName(m_folder.path()).constData(), nobody, nobody) != 0) {
        m_problem = QStringLiteral("cannot give the server's folder to nobody");
        return;
    }
    const QString data = m_folder.filePath(QStringLiteral("data"));
    QString output;
    if (!run(m_binaries + QStringLiteral("/initdb"), { QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("evelmora"), QStringLiteral("-A"),
                                                      QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C"),
                                                      QStringLiteral("-N") },
             &output)) {
        m_problem = QStringLiteral("initdb failed: ") + output;
        return;
    }
    // Only the socket unless asked: no TCP port is opened, so the port number just names the
    // socket and a random one cannot collide with another test's. On the loopback interface a
    // port in use makes the start fail, and another is tried.
    for (int attempt = 0; attempt < 5 && !m_running; ++attempt) {
        m_port = 20000 + static_cast<int>(QRandomGenerator::global()->bounded(40000));
        m_running = run(m_binaries + QStringLiteral("/pg_ctl"),
                        { QStringLiteral("-D"), data, QStringLiteral("-l"), m_folder.filePath(QStringLiteral("log")), QStringLiteral("-w"), QStringLiteral("-o"),
                          QStringLiteral("-k %1 -p %2 -c listen_addresses=%3 -c fsync=off")
                              .arg(m_folder.path())
                              .arg(m_port)
                              .arg(loopback ? QStringLiteral("127.0.0.1") : QString()), QStringLiteral("start") },
                        &output);
    }
    if (!m_running)
        m_problem = QStringLiteral("the server did not start: ") + output;
}

PgServer::~PgServer()
{
    if (m_running)
        (void)run(m_binaries + QStringLiteral("/pg_ctl"),
                  { QStringLiteral("-D"), m_folder.filePath(QStringLiteral("data")), QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"),
                    QStringLiteral("stop") });
}

bool PgServer::run(const QString& program, const QStringList& arguments, QString* output) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(m_folder.path());
    if (::geteuid() == 0)
        process.start(QStringLiteral("setpriv"), QStringList { QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"), program } + arguments);
    else
        process.start(program, arguments);
    const bool finished = process.waitForFinished(120000);
    if (output)
        *output = QString::fromUtf8(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString PgServer::connection(const QString& database, const QString& user) const
{
    return QStringLiteral("host=%1 port=%2 user=%3 dbname=%4").arg(m_folder.path()).arg(m_port).arg(user, database);
}

QString PgServer::authenticateFirst(const QByteArray& rule) const
{
    QFile file(psql(QStringLiteral("SHOW hba_file")).trimmed());
    if (!file.open(QIODevice::ReadWrite))
        return QStringLiteral("cannot open %1: %2").arg(file.fileName(), file.errorString());
    const QByteArray rules = file.readAll();
    if (!file.resize(0) || file.write(rule + '\n' + rules) < 0 || !file.flush())
        return QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString());
    file.close();
    const QString reloaded = psql(QStringLiteral("SELECT pg_reload_conf()"));
    return reloaded == QStringLiteral("t\n") ? QString() : reloaded;
}

void PgServer::setStopped(bool stopped) const
{
    // The postmaster's pid is the first line of postmaster.pid; its children are the backends
    // and the background workers.
    QFile pidFile(m_folder.filePath(QStringLiteral("data/postmaster.pid")));
    if (!pidFile.open(QIODevice::ReadOnly))
        return;
    const QByteArray postmaster = pidFile.readLine().trimmed();
    QList<pid_t> processes { static_cast<pid_t>(postmaster.toInt()) };
    const QStringList all = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : all) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (name) state ppid …: the name may hold blanks, so the fields are counted after it.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == postmaster)
            processes.append(static_cast<pid_t>(entry.toInt()));
    }
    for (const pid_t process : processes)
        ::kill(process, stopped ? SIGSTOP : SIGCONT);
}

QString PgServer::loopbackConnection(const QString& database, const QString& user) const
{
    return QStringLiteral("hostaddr=127.0.0.1 port=%1 user=%2 dbname=%3").arg(m_port).arg(user, database);
}

QString PgServer::psql(const QString& sql, const QString& user) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(QStringLiteral("psql"), { QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"), QStringLiteral("-t"), QStringLiteral("-v"),
                                            QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-d"), connection(QStringLiteral("postgres"), user),
                                            QStringLiteral("-c"), sql });
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("psql failed: ") + QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput());
}
