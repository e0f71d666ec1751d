#include "searchplan.h"

#include "collationcore.h"
#include "sqltext.h"
#include "utf8text.h"

namespace SearchPlan {
namespace {

std::size_t lastCharacterSize(std::string_view text)
{
    std::size_t size = 1;
    while (size < text.size() && (static_cast<unsigned char>(text[text.size() - size]) & 0xC0) == 0x80)
        ++size;
    return size;
}

// The working word less its last character. Characters that fold to nothing (combining
// accents) go with it: the beginning left would select the same entries as the one that just
// found none.
void dropLastCharacter(std::string& word)
{
    std::ptrdiff_t folded = 0;
    do {
        const std::size_t size = lastCharacterSize(word);
        folded = DictionaryCollation::foldedLengthUtf8(std::string_view(word).substr(word.size() - size));
        word.resize(word.size() - size);
    } while (folded == 0 && !word.empty());
}

// The longest beginning of the word whose folded length is below `longest`. An entry in a
// beginning's range folds to that beginning and at least one character more, so longer
// beginnings find nothing and their queries can be left out.
std::size_t usefulBeginning(std::string_view word, std::ptrdiff_t longest)
{
    std::ptrdiff_t folded = 0;
    std::size_t end = 0;
    while (end < word.size()) {
        std::size_t size = 0;
        Utf8Text::decode(word, end, &size);
        folded += DictionaryCollation::foldedLengthUtf8(word.substr(end, size));
        if (folded >= longest)
            break;
        end += size;
    }
    return end;
}

} // namespace

std::string exactQuery(const QueryTexts::Direction& direction, std::string_view word)
{
    return direction.exactStart + ("'" + SqlText::doubledQuotes<char>(word) + "'") + direction.exactEnd;
}

std::string beginningQuery(const QueryTexts::Direction& direction, std::string_view beginning)
{
    const std::string doubled = SqlText::doubledQuotes<char>(beginning);
    return direction.prefixStart + ("'" + doubled + QueryTexts::rangeLowEnd + "'" + QueryTexts::rangeAnd + "'" + doubled
                                    + QueryTexts::rangeHighEnd + "'")
        + direction.prefixEnd;
}

std::string longestQuery(const QueryTexts::Direction& direction)
{
    return QueryTexts::longestStart + std::string(direction.searchField) + QueryTexts::longestEnd;
}

Ending run(const QueryTexts::Direction& direction, std::string word, const RunQuery& query, const LongestEntry& longest)
{
    switch (query(exactQuery(direction, word))) {
    case Answer::Found:
        return { Answer::Found, true, word };
    case Answer::Failed:
        return { .answer = Answer::Failed };
    case Answer::Empty:
        break;
    }
    // A pasted text would run a query per beginning; those longer than any entry find nothing.
    if (Utf8Text::utf16Length(word) > QueryTexts::pastedLength) {
        if (const std::ptrdiff_t folded = longest(); folded > 0)
            word.resize(usefulBeginning(word, folded));
    }
    for (;;) {
        const Answer answer = query(beginningQuery(direction, word));
        if (answer != Answer::Empty)
            return { answer, false, answer == Answer::Found ? word : std::string() };
        if (word.empty())
            return { .answer = Answer::Empty };
        dropLastCharacter(word);
    }
}

} // namespace SearchPlan
