#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include "failure.h"

// What the user asked the program to remember between runs, and nothing else: favourites and,
// when turned on, the searches under $XDG_STATE_HOME/evelmora, the zoom and text sizes under
// $XDG_CONFIG_HOME/evelmora. Each file is read once and written whole, through a new file
// renamed over the old. A file that cannot be read or holds what this program never writes is
// left alone and said so on standard error; the program goes on without it.
class UserMemory final {
public:
    // The places the environment names, or their defaults under $HOME.
    static UserMemory fromEnvironment();
    UserMemory(QString stateDirectory, QString configDirectory);

    struct Favourite {
        bool french = true; // a French headword, kept from the French window's view
        QString term;
        bool operator==(const Favourite&) const = default;
    };
    QList<Favourite> favourites();
    Outcome setFavourites(const QList<Favourite>& favourites);

    // The searches of one window, oldest first; kept only while rememberHistory is on.
    QStringList history(bool french);
    Outcome setHistory(bool french, const QStringList& words);
    bool rememberHistory();
    // Turning it off forgets the searches written so far.
    Outcome setRememberHistory(bool on);

    // In per cent; 100 when never set.
    int zoom(const QString& window);
    Outcome setZoom(const QString& window, int percent);

    QString stateDirectory() const { return m_state; }
    QString configDirectory() const { return m_config; }

    static constexpr int historyLength = 200;

private:
    struct File {
        QString path;
        QJsonObject content;
        bool read = false;
    };
    QJsonObject& content(File& file);
    Outcome save(File& file);

    QString m_state;
    QString m_config;
    File m_favourites;
    File m_history;
    File m_settings;
};
