#pragma once

#include <QStringList>

#include "commandanswer.h"

// The tables tool's command line, read and run: the command it names, or the usage.
namespace TablesTool {

// `arguments` without the program's name; the help file a new data directory gets is looked for
// in `programDirectory`.
CommandAnswer run(const QStringList& arguments, const QString& programDirectory);

} // namespace TablesTool
