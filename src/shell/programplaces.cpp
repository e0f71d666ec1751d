#include "programplaces.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool holdsDictionary(const QString& directory)
{
    return QFileInfo(directory + QStringLiteral("/d0.UDL")).isFile() || QFileInfo(directory + QStringLiteral("/d2.UDL")).isFile();
}

} // namespace

QStringList ProgramPlaces::desktopDataDirectories(const std::function<QString(const char*)>& environment)
{
    // The XDG base directory defaults, for unset or empty variables.
    QString home = environment("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(home))
        home = environment("HOME") + QStringLiteral("/.local/share");
    QString others = environment("XDG_DATA_DIRS");
    if (others.isEmpty())
        others = QStringLiteral("/usr/local/share/:/usr/share/");
    QStringList bases { home };
    for (const QString& base : others.split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(base)) // relative entries are to be ignored
            bases.append(base);
    }
    QStringList directories;
    for (const QString& base : std::as_const(bases))
        directories.append(QDir::cleanPath(base + QStringLiteral("/evelmora/eVelmoraEFs")));
    return directories;
}

ProgramPlaces ProgramPlaces::find(const QString& executableDirectory, const QString& builtDataDirectory,
                                  const std::function<QString(const char*)>& environment)
{
    ProgramPlaces places;
    const QString installed = QDir::cleanPath(executableDirectory + QStringLiteral("/../share/evelmora"));
    places.programDirectory = QFileInfo(installed + QStringLiteral("/content.json")).isFile() ? installed : executableDirectory;
    for (const QString& directory : desktopDataDirectories(environment)) {
        if (holdsDictionary(directory)) {
            places.dataDirectory = directory;
            return places;
        }
    }
    places.dataDirectory = QDir::cleanPath(QDir(places.programDirectory).absoluteFilePath(builtDataDirectory));
    return places;
}
