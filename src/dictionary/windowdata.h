#pragma once

#include <memory>

#include <QString>

#include "cursor.h"
#include "failure.h"
#include "letterstarttable.h"

struct Direction;

// A dictionary window's two cursors as they stand after the window loads.
struct WindowData final {
    std::shared_ptr<Store> store;   // null when the tables could not be opened
    std::unique_ptr<Cursor> browse; // Adodc1
    std::unique_ptr<Cursor> lookup; // Adodc2
    LetterStartTable letterStarts {}; // the connection file's own, else the direction's
    std::optional<Failure> loadFailure; // the first failure met while opening them

    // Connects both cursors through the direction's connection file in `dataDirectory` and
    // runs their record sources. Cursors that cannot open stay closed and report why.
    static WindowData open(const Direction& direction, const QString& dataDirectory);
    // The same as a look-up tool opens them: text tables from their compiled copy while it is
    // up to date (compiledcopy.h), what the connection file names otherwise.
    static WindowData openForLookUp(const Direction& direction, const QString& dataDirectory);

    // One record source run on a direction's tables without cursors, for the tools; the
    // connection file it went through names the tables in their messages.
    struct Rows {
        std::unique_ptr<QueryResult> result;
        QString connectionFile;
    };
    static Result<Rows> rows(const Direction& direction, const QString& dataDirectory, const QString& recordSource);
};
