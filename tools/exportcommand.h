#pragma once

#include <QStringList>

#include "commandanswer.h"

// export DATA_DIRECTORY --format tbx|csv|omegat|anki [--direction fr|en] [--subfield S] [--output FILE], options in any
// order: the dictionary as a term base, to a file or (without --output, or with "-") to the
// answer's standard output.
namespace ExportCommand {

CommandAnswer run(const QStringList& arguments);

} // namespace ExportCommand
