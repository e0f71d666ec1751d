#pragma once

#include <QString>
#include <QStringList>

#include "commandanswer.h"
#include "letterstarttable.h"

// The commands that write a data directory's tables: each change lands whole or not at all,
// and nothing is written that the windows would refuse to read.
namespace BuildCommand {

// The two tables and their connection files from a term source. A directory that lacks them
// also gets the rows printed under every entry and the help file found in `programDirectory`.
CommandAnswer build(const QString& source, const QString& dataDirectory, const QString& programDirectory);
// Each direction's text tables as a SQLite database beside them, the connection files pointed
// at it and the old ones kept as <name>.text.
CommandAnswer compile(const QString& dataDirectory);
// The same into the data directory's folder "compiled", its connection files left as they
// are: the copy the look-up tools read while it is no older than the tables.
CommandAnswer compileCopy(const QString& dataDirectory);
// Connection files through which a desktop reads a published dictionary.
CommandAnswer connect(const QString& connectionString, const QString& dataDirectory);

// Where the terms of each letter begin in a list of terms in browse order.
LetterStartTable letterStarts(const QStringList& terms);

} // namespace BuildCommand
