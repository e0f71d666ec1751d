#pragma once

#include <string_view>

#include <QString>

// The one text ordering of the store: French dictionary order at its first level. Case is
// ignored, accented letters sort with their base letters (é with e, ç with c), the ligatures
// œ and æ read as oe and ae, and what is left compares by code point (blank < '*' < digits <
// letters). Texts that differ only in case or accents are equal; the store breaks such ties
// by stored order.
namespace DictionaryCollation {

// The name under which the store registers the ordering with SQLite.
inline constexpr const char* sqlName = "DICTIONARY";

int compare(QStringView a, QStringView b);
int compareUtf8(std::string_view a, std::string_view b);

// The text as the ordering sees it: lower case, without accents, ligatures spelt out.
QString folded(QStringView text);

// How many characters the folded text has. Each character folds on its own, so the length
// of a text is the sum of the lengths of its characters.
qsizetype foldedLength(QStringView text);
qsizetype foldedLengthUtf8(std::string_view text);

// The name of the SQL function that gives foldedLength of a text.
inline constexpr const char* lengthSqlName = "dictionary_length";

} // namespace DictionaryCollation
