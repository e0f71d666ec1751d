#pragma once

#include <QString>

#include "failure.h"

struct WindowData;

// A word taken from whatever the user selected in another program: cleaned as a reader would
// read it, and given to the dictionary that holds it.
namespace SelectedWord
{

// Longer than any term: a selection this long is a sentence or a page, not a look-up.
inline constexpr qsizetype maxChars = 200;

// Blanks and punctuation off both ends ("« anxiété », " is "anxiété"), a bracket kept when its
// partner stays inside, runs of blanks and line ends made one blank. Refused, with why, when
// nothing is left, no letter is in it, it holds a control character, or it is over maxChars.
Result<QString> cleaned(const QString& selection);

// Whether the English-to-French dictionary looks `word` up: the one that holds it as spelt
// (accents included), French first; else the one that holds it as its window finds words (case
// and accents aside), French first. When neither does, a letter only French
// writes (é, ç, œ …) says French; otherwise the dictionary whose closest entry shares the
// longer beginning with it, French on a tie.
bool inEnglish(WindowData& french, WindowData& english, const QString& word);

} // namespace SelectedWord
