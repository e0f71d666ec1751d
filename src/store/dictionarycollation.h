#pragma once

#include <QString>

#include "collationcore.h"

// The one text ordering of the store: French dictionary order at its first level. Case is
// ignored, accented letters sort with their base letters (é with e, ç with c), the ligatures
// œ and æ read as oe and ae, and what is left compares by code point (blank < '*' < digits <
// letters). Texts that differ only in case or accents are equal; the store breaks such ties
// by stored order.
namespace DictionaryCollation {

int compare(QStringView a, QStringView b);

// The text as the ordering sees it: lower case, without accents, ligatures spelt out.
QString folded(QStringView text);

// How many characters the folded text has. Each character folds on its own, so the length
// of a text is the sum of the lengths of its characters.
qsizetype foldedLength(QStringView text);

} // namespace DictionaryCollation
