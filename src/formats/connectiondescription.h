#pragma once

#include <optional>

#include <QString>

#include "failure.h"

// A connection description file (d0.UDL, d2.UDL): where a window's tables are and how to
// read them.
struct ConnectionDescription final {
    QString file;            // the description's own path
    QString tableDirectory;  // absolute directory of the text tables
    QString databaseFile;    // with Provider=sqlite: the compiled tables, opened read-only
    QString serverConnection; // with Provider=postgresql: libpq's connection string or URI
    QString searchField;     // the window's, which picks a server's table; set by whoever opens it
    std::optional<QString> letterStarts; // the "Letter Starts" value as written, when there is one

    // Reads a description file; relative data sources are taken from `dataDirectory`.
    static Result<ConnectionDescription> read(const QString& path, const QString& dataDirectory);

    // Parses the text of a description file; `file` names it in failures.
    static Result<ConnectionDescription> parse(const QString& text, const QString& file, const QString& dataDirectory);
};
