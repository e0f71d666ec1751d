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

} // namespace DictionaryCollation
