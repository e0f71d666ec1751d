#include "connectiondescription.h"

#include <QDir>
#include <QFileInfo>

#include "textfile.h"

namespace {

constexpr qint64 maxDescriptionBytes = 64 * 1024;

Failure badDescription(const QString& file, const QString& reason)
{
    return { FailureNumber::BadConnectionDescription, QStringLiteral("bad connection file ") + file + QStringLiteral(": ") + reason };
}

// Splits "Key=Value;Key2=\"a;b\"" into pairs; a value may stand in double quotes, in which a
// doubled quote stands for one.
std::optional<QList<std::pair<QString, QString>>> splitPairs(QStringView text, QString* error)
{
    QList<std::pair<QString, QString>> pairs;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype equals = text.indexOf(u'=', i);
        const qsizetype semicolon = text.indexOf(u';', i);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            const QStringView rest = text.mid(i, semicolon < 0 ? -1 : semicolon - i).trimmed();
            if (!rest.isEmpty()) {
                *error = QStringLiteral("\"%1\" has no '='").arg(rest);
                return std::nullopt;
            }
            if (semicolon < 0)
                break;
            i = semicolon + 1;
            continue;
        }
        const QString key = text.mid(i, equals - i).trimmed().toString();
        if (key.isEmpty()) {
            *error = QStringLiteral("a value has no key");
            return std::nullopt;
        }
        i = equals + 1;
        while (i < text.size() && text[i].isSpace())
            ++i;
        QString value;
        if (i < text.size() && text[i] == u'"') {
            ++i;
            bool closed = false;
            while (i < text.size()) {
                if (text[i] == u'"') {
                    if (i + 1 < text.size() && text[i + 1] == u'"') {
                        value += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text[i++];
            }
            if (!closed) {
                *error = QStringLiteral("the value of %1 has no closing quote").arg(key);
                return std::nullopt;
            }
            while (i < text.size() && text[i] != u';') {
                if (!text[i].isSpace()) {
                    *error = QStringLiteral("text after the quoted value of %1").arg(key);
                    return std::nullopt;
                }
                ++i;
            }
        } else {
            const qsizetype end = text.indexOf(u';', i);
            value = text.mid(i, end < 0 ? -1 : end - i).trimmed().toString();
            i = end < 0 ? text.size() : end;
        }
        pairs.append({ key, value });
        if (i < text.size())
            ++i; // the ';'
    }
    return pairs;
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
    QString connectionString;
    bool found = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.compare(u"[oledb]", Qt::CaseInsensitive) == 0)
            continue;
        connectionString = line.toString();
        found = true;
        break;
    }
    if (!found)
        return badDescription(file, QStringLiteral("no connection string"));
    if (connectionString.contains(QChar(0)))
        return badDescription(file, QStringLiteral("the connection string holds a NUL character"));

    QString error;
    const auto pairs = splitPairs(connectionString, &error);
    if (!pairs)
        return badDescription(file, error);

    ConnectionDescription description;
    description.file = file;
    QString provider;
    QString dataSource;
    bool hasProvider = false;
    for (const auto& [key, value] : *pairs) {
        if (key.compare(u"Provider", Qt::CaseInsensitive) == 0) {
            provider = value;
            hasProvider = true;
        } else if (key.compare(u"Data Source", Qt::CaseInsensitive) == 0) {
            dataSource = value;
        } else if (key.compare(u"Letter Starts", Qt::CaseInsensitive) == 0) {
            description.letterStarts = value;
        }
    }
    if (!hasProvider)
        return badDescription(file, QStringLiteral("no Provider"));
    const QDir data(dataDirectory);
    if (provider.compare(u"sqlite", Qt::CaseInsensitive) == 0) {
        if (dataSource.isEmpty())
            return badDescription(file, QStringLiteral("Provider=sqlite needs a Data Source naming the database file"));
        const QString database = QDir::cleanPath(data.absoluteFilePath(QDir::fromNativeSeparators(dataSource)));
        if (!QFileInfo(database).isFile())
            return Failure { FailureNumber::FileNotFound, QStringLiteral("cannot find the database %1 named in %2").arg(database, file) };
        description.databaseFile = database;
        description.tableDirectory = QFileInfo(database).absolutePath();
        return description;
    }
    if (provider.compare(u"text", Qt::CaseInsensitive) != 0)
        return Failure { FailureNumber::ProviderNotSupported,
                         QStringLiteral("provider \"%1\" in %2 is not supported: only \"text\" and \"sqlite\" tables can be read").arg(provider, file) };

    const QString directory = dataSource.isEmpty() ? data.absolutePath() : data.absoluteFilePath(QDir::fromNativeSeparators(dataSource));
    if (!QFileInfo(directory).isDir())
        return Failure { FailureNumber::FileNotFound,
                         QStringLiteral("cannot find the table directory %1 named in %2").arg(QDir::cleanPath(directory), file) };
    description.tableDirectory = QDir::cleanPath(directory);
    return description;
}
