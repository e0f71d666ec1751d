#include "usermemory.h"

#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include "outputfile.h"

namespace {

QString place(const char* variable, const QString& fallback)
{
    // As the base directory rules say: a relative path in the variable is ignored.
    const QString value = qEnvironmentVariable(variable);
    const QString base = !value.isEmpty() && QDir::isAbsolutePath(value) ? value : QDir::homePath() + fallback;
    return QDir::cleanPath(base + QStringLiteral("/evelmora"));
}

void warn(const QString& message)
{
    std::fprintf(stderr, "evelmora: %s\n", qPrintable(message));
}

QString directionKey(bool french)
{
    return french ? QStringLiteral("fr-en") : QStringLiteral("en-fr");
}

} // namespace

UserMemory UserMemory::fromEnvironment()
{
    return UserMemory(place("XDG_STATE_HOME", QStringLiteral("/.local/state")), place("XDG_CONFIG_HOME", QStringLiteral("/.config")));
}

UserMemory::UserMemory(QString stateDirectory, QString configDirectory)
    : m_state(std::move(stateDirectory))
    , m_config(std::move(configDirectory))
    , m_favourites { m_state + QStringLiteral("/favourites.json"), {}, false }
    , m_history { m_state + QStringLiteral("/history.json"), {}, false }
    , m_settings { m_config + QStringLiteral("/settings.json"), {}, false }
{
}

QJsonObject& UserMemory::content(File& file)
{
    if (file.read)
        return file.content;
    file.read = true;
    QFile source(file.path);
    if (!source.exists())
        return file.content;
    // Far beyond anything written here: a larger file is no file of ours.
    constexpr qint64 largest = 4 * 1024 * 1024;
    if (!source.open(QIODevice::ReadOnly)) {
        warn(QStringLiteral("cannot read %1: %2; it is left as it is").arg(file.path, source.errorString()));
        return file.content;
    }
    if (source.size() > largest) {
        warn(QStringLiteral("%1 is larger than this program ever writes; it is ignored").arg(file.path));
        return file.content;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(source.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        warn(QStringLiteral("%1 is not a JSON object (%2); it is ignored").arg(file.path, error.error != QJsonParseError::NoError ? error.errorString() : QStringLiteral("another value")));
    else
        file.content = document.object();
    return file.content;
}

Outcome UserMemory::save(File& file)
{
    const QString folder = QFileInfo(file.path).path();
    if (!QDir().mkpath(folder))
        return Failure { FailureNumber::PathFileAccess, QStringLiteral("cannot make the folder %1").arg(folder) };
    return OutputFile::write(file.path, QJsonDocument(file.content).toJson(QJsonDocument::Indented));
}

QList<UserMemory::Favourite> UserMemory::favourites()
{
    QList<Favourite> list;
    for (const QJsonValue& value : content(m_favourites).value(QStringLiteral("favourites")).toArray()) {
        const QJsonObject object = value.toObject();
        const QString direction = object.value(QStringLiteral("direction")).toString();
        const QString term = object.value(QStringLiteral("term")).toString();
        // What another version may have added is skipped, not a reason to drop the rest.
        if (term.isEmpty() || (direction != directionKey(true) && direction != directionKey(false)))
            continue;
        const Favourite favourite { direction == directionKey(true), term };
        if (!list.contains(favourite))
            list.append(favourite);
    }
    return list;
}

Outcome UserMemory::setFavourites(const QList<Favourite>& favourites)
{
    QJsonArray array;
    for (const Favourite& favourite : favourites)
        array.append(QJsonObject { { QStringLiteral("direction"), directionKey(favourite.french) }, { QStringLiteral("term"), favourite.term } });
    QJsonObject& object = content(m_favourites);
    object.insert(QStringLiteral("favourites"), array);
    return save(m_favourites);
}

QStringList UserMemory::history(bool french)
{
    if (!rememberHistory())
        return {};
    QStringList words;
    for (const QJsonValue& value : content(m_history).value(directionKey(french)).toArray()) {
        if (value.isString() && !value.toString().isEmpty())
            words.append(value.toString());
    }
    return words.mid(qMax<qsizetype>(0, words.size() - historyLength));
}

Outcome UserMemory::setHistory(bool french, const QStringList& words)
{
    if (!rememberHistory())
        return {};
    content(m_history).insert(directionKey(french), QJsonArray::fromStringList(words.mid(qMax<qsizetype>(0, words.size() - historyLength))));
    return save(m_history);
}

bool UserMemory::rememberHistory()
{
    return content(m_settings).value(QStringLiteral("rememberHistory")).toBool(false);
}

Outcome UserMemory::setRememberHistory(bool on)
{
    content(m_settings).insert(QStringLiteral("rememberHistory"), on);
    if (auto done = save(m_settings); !done)
        return done;
    if (!on && QFile::exists(m_history.path)) {
        m_history.content = {};
        m_history.read = true;
        if (!QFile::remove(m_history.path))
            return Failure { FailureNumber::PathFileAccess, QStringLiteral("cannot remove %1").arg(m_history.path) };
    }
    return {};
}

int UserMemory::zoom(const QString& window)
{
    const int percent = content(m_settings).value(QStringLiteral("zoom")).toObject().value(window).toInt(100);
    return percent > 0 ? percent : 100;
}

Outcome UserMemory::setZoom(const QString& window, int percent)
{
    QJsonObject& object = content(m_settings);
    QJsonObject zoom = object.value(QStringLiteral("zoom")).toObject();
    zoom.insert(window, percent);
    object.insert(QStringLiteral("zoom"), zoom);
    return save(m_settings);
}
