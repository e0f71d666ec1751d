#pragma once

#include <QString>

#include "commandanswer.h"

// The checks of a dictionary's two browse orders: every num must be the entry's position, and
// the connection file's Letter Starts must agree with the table. Status 1 when one is off.
namespace CheckCommand {

CommandAnswer check(const QString& dataDirectory);
// The same of a dictionary published on a server.
CommandAnswer checkServer(const QString& connectionString);

} // namespace CheckCommand
