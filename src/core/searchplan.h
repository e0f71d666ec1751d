#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "querytexts.h"

// The queries a typed word leads to, in order, without Qt: the exact match, then the range of
// every ever shorter beginning of the word until one finds an entry. The windows and the
// quick lookup both run their searches through it.
namespace SearchPlan {

// What one query came to on the store.
enum class Answer { Found, Empty, Failed };

struct Ending final {
    Answer answer = Answer::Empty; // Empty: no beginning found anything, down to the empty one
    bool exact = false;
    std::string beginning {}; // the word, or the beginning whose range found the entry
};

// Runs `query` as the lookup cursor's record source and says whether it stands on an entry.
using RunQuery = std::function<Answer(const std::string& query)>;
// The folded length of the longest text in the search field; 0 when unknown.
using LongestEntry = std::function<std::ptrdiff_t()>;

std::string exactQuery(const QueryTexts::Direction& direction, std::string_view word);
std::string beginningQuery(const QueryTexts::Direction& direction, std::string_view beginning);
std::string longestQuery(const QueryTexts::Direction& direction);

// `word` is valid UTF-8 without NUL. A pasted word (longer than QueryTexts::pastedLength)
// asks `longest` once and leaves out the beginnings that cannot match anything.
Ending run(const QueryTexts::Direction& direction, std::string word, const RunQuery& query, const LongestEntry& longest);

} // namespace SearchPlan
