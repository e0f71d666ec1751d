#include "connectiondescription.h"

#include <QDir>
#include <QFileInfo>

#include "connectionrules.h"
#include "textfile.h"

namespace {

constexpr qint64 maxDescriptionBytes = 64 * 1024;

Failure badDescription(const QString& file, const QString& reason)
{
    return { FailureNumber::BadConnectionDescription, QStringLiteral("bad connection file ") + file + QStringLiteral(": ") + reason };
}

QString decodeDescription(const QByteArray& bytes)
{
    if (auto text = TextFile::decodeMarkedUtf16(bytes))
        return *text;
    if (auto text = TextFile::decodeUtf8(bytes))
        return *text;
    return TextFile::decodeWindows1252(bytes);
}

} // namespace

Result<ConnectionDescription> ConnectionDescription::read(const QString& path, const QString& dataDirectory)
{
    auto bytes = TextFile::read(path, maxDescriptionBytes);
    if (!bytes)
        return bytes.failure();
    if (bytes->isEmpty())
        return badDescription(path, QStringLiteral("the file is empty"));
    if (!TextFile::decodeMarkedUtf16(*bytes) && bytes->contains('\0'))
        return badDescription(path, QStringLiteral("the file holds NUL bytes (is it UTF-16 without its byte-order mark?)"));
    return parse(decodeDescription(*bytes), path, dataDirectory);
}

Result<ConnectionDescription> ConnectionDescription::parse(const QString& text, const QString& file, const QString& dataDirectory)
{
    const auto parsed = ConnectionRules::parse(text.toStdString());
    if (!parsed.connection)
        return badDescription(file, QString::fromStdString(parsed.problem));
    const ConnectionRules::ConnectionString& connection = *parsed.connection;

    ConnectionDescription description;
    description.file = file;
    const QString provider = QString::fromStdString(*connection.provider);
    const QString dataSource = QString::fromStdString(connection.dataSource);
    if (connection.letterStarts)
        description.letterStarts = QString::fromStdString(*connection.letterStarts);
    const QDir data(dataDirectory);
    if (connection.kind() == ConnectionRules::Provider::Sqlite) {
        if (dataSource.isEmpty())
            return badDescription(file, QStringLiteral("Provider=sqlite needs a Data Source naming the database file"));
        const QString database = QDir::cleanPath(data.absoluteFilePath(QDir::fromNativeSeparators(dataSource)));
        if (!QFileInfo(database).isFile())
            return Failure { FailureNumber::FileNotFound, QStringLiteral("cannot find the database %1 named in %2").arg(database, file) };
        description.databaseFile = database;
        description.tableDirectory = QFileInfo(database).absolutePath();
        return description;
    }
    if (connection.kind() == ConnectionRules::Provider::Postgresql) {
        if (dataSource.trimmed().isEmpty())
            return badDescription(file, QStringLiteral("Provider=postgresql needs a Data Source with the server's connection string"));
        description.serverConnection = dataSource;
        description.tableDirectory = data.absolutePath();
        return description;
    }
    if (connection.kind() != ConnectionRules::Provider::Text)
        return Failure { FailureNumber::ProviderNotSupported,
                         QStringLiteral("provider \"%1\" in %2 is not supported: only \"text\", \"sqlite\" and \"postgresql\" tables can be read")
                             .arg(provider, file) };

    const QString directory = dataSource.isEmpty() ? data.absolutePath() : data.absoluteFilePath(QDir::fromNativeSeparators(dataSource));
    if (!QFileInfo(directory).isDir())
        return Failure { FailureNumber::FileNotFound,
                         QStringLiteral("cannot find the table directory %1 named in %2").arg(QDir::cleanPath(directory), file) };
    description.tableDirectory = QDir::cleanPath(directory);
    return description;
}
