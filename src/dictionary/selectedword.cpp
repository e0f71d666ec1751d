#include "selectedword.h"

#include <algorithm>

#include "direction.h"
#include "windowdata.h"
#include "wordsearch.h"

using namespace Qt::StringLiterals;

namespace SelectedWord
{

namespace
{

bool trimmable(QChar c)
{
    return c.isSpace() || c.isPunct() || c.isSymbol();
}

QChar partnerOf(QChar closing)
{
    switch (closing.unicode()) {
    case u')':
        return u'(';
    case u']':
        return u'[';
    case u'}':
        return u'{';
    default:
        return {};
    }
}

struct Search final {
    bool exact = false;   // as the window finds it: case and accents aside
    bool written = false; // and spelt so, accents included
    qsizetype beginning = 0; // how much of the word found the closest entry
};

Search search(WindowData& data, const Direction& direction, bool english, const QString& word)
{
    if (!data.lookup)
        return {};
    const auto found = WordSearch(direction, *data.lookup).find(word);
    if (!found)
        return {};
    const Result<QString>& headword = english ? found->english : found->french;
    return { .exact = found->exact,
             .written = found->exact && headword && headword->compare(word, Qt::CaseInsensitive) == 0,
             .beginning = found->beginning.size() };
}

} // namespace

Result<QString> cleaned(const QString& selection)
{
    const auto refused
        = [](const QString& why) { return Failure { .number = FailureNumber::InvalidArgument, .description = why }; };
    for (const QChar c : selection) {
        if (c.category() == QChar::Other_Control && !c.isSpace())
            return refused(
                u"the selection holds a control character (U+%1)"_s.arg(uint(c.unicode()), 4, 16, QChar(u'0')));
    }
    qsizetype begin = 0;
    qsizetype end = selection.size();
    while (begin < end && trimmable(selection[begin]))
        ++begin;
    while (end > begin && trimmable(selection[end - 1])) {
        // "(s)" and "trouble (psychiatrie)" keep their closing bracket.
        const QChar partner = partnerOf(selection[end - 1]);
        if (!partner.isNull() && selection.mid(begin, end - 1 - begin).contains(partner))
            break;
        --end;
    }
    const QString word = selection.mid(begin, end - begin).simplified();
    if (word.isEmpty())
        return refused(u"nothing is selected to look up"_s);
    if (word.size() > maxChars)
        return refused(
            u"the selection is too long to be a term: %1 characters, %2 at most"_s.arg(word.size()).arg(maxChars));
    if (std::none_of(word.cbegin(), word.cend(), [](QChar c) { return c.isLetter(); }))
        return refused(u"the selection has no letter: \"%1\""_s.arg(word));
    return word;
}

bool inEnglish(WindowData& french, WindowData& english, const QString& word)
{
    const Search inFrench = search(french, Direction::frenchToEnglish(), false, word);
    const Search inEnglish = search(english, Direction::englishToFrench(), true, word);
    // "depression" is the English word, though the French window finds "dépression" by it.
    if (inFrench.written || (inFrench.exact && !inEnglish.written))
        return false;
    if (inEnglish.exact)
        return true;
    static const QString frenchLetters = u"àâçéèêëîïôûùüÿœæÀÂÇÉÈÊËÎÏÔÛÙÜŸŒÆ"_s;
    if (std::any_of(word.cbegin(), word.cend(), [](QChar c) { return frenchLetters.contains(c); }))
        return false;
    return inEnglish.beginning > inFrench.beginning;
}

} // namespace SelectedWord
