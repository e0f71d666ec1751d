#pragma once

#include <optional>
#include <string>

#include "querytexts.h"

// The search of a dictionary window over a compiled store (Provider=sqlite), without Qt: the
// entry it shows as "French<TAB>English\n", or nullopt when this cannot give it (text tables,
// a connection file out of the ordinary, a word that is not UTF-8, any failure to report).
std::optional<std::string> quickLookup(const std::string& dataDirectory, const QueryTexts::Direction& direction, std::string word);
