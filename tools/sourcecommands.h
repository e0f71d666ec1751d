#pragma once

#include <QString>

#include "commandanswer.h"

// The commands that read a term source or a data directory whole and hand it on.
namespace SourceCommands {

// The editor's checks of a term source; status 1 on repeats and entries without a subfield.
CommandAnswer lint(const QString& source);
// Loads a data directory's dictionary onto a server and says how desktops reach it.
CommandAnswer publish(const QString& dataDirectory, const QString& connectionString);

} // namespace SourceCommands
