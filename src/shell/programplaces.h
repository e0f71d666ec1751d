#pragma once

#include <functional>

#include <QString>

// Where the program finds its own files and its dictionary. In a build tree both lie beside the
// executable; installed, the program's files lie in the data folder beside `bin`
// (`share/evelmora`). The dictionary is the desktop's own first: the first of
// `$XDG_DATA_HOME/evelmora/eVelmoraEFs` (by default `~/.local/share/…`) and
// `evelmora/eVelmoraEFs` under each of `$XDG_DATA_DIRS` that holds a d0.UDL or d2.UDL, else the
// directory fixed when the program was built, taken from the program directory when relative.
struct ProgramPlaces final {
    QString programDirectory;
    QString dataDirectory;

    // `environment` gives a variable's value, empty when it is unset.
    static ProgramPlaces find(const QString& executableDirectory, const QString& builtDataDirectory,
                              const std::function<QString(const char*)>& environment);

    // The folders searched for a dictionary before the built-in one, in order.
    static QStringList desktopDataDirectories(const std::function<QString(const char*)>& environment);
};
