#pragma once

#include <array>

#include <QString>

#include "failure.h"

// The browse position of the first entry of each letter A to Z: fixed per window, or given by
// the connection file's "Letter Starts" key for a dictionary of other data.
using LetterStartTable = std::array<qint32, 26>;

namespace LetterStarts {

// Parses "0,86,116,…": 26 whole numbers, A at 0, never falling. `file` names the connection
// file in failures.
Result<LetterStartTable> parse(const QString& text, const QString& file);

QString format(const LetterStartTable& table);

} // namespace LetterStarts
