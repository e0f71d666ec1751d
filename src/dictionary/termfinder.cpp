#include "termfinder.h"

#include <string>
#include <vector>

#include "direction.h"
#include "store.h"
#include "termsuggestions.h"
#include "wordsearch.h"

TermFinder::TermFinder(std::shared_ptr<Store> store, const Direction& direction) : m_store(std::move(store)), m_direction(direction) { }

TermFinder::~TermFinder() = default;

TermFinder::List TermFinder::listFor(const QString& typed)
{
    if (!m_store || typed.isEmpty() || !WordSearch::checkWord(typed))
        return {};
    const std::string word = typed.toStdString();
    const std::string query = TermSuggestions::beginningsQuery(m_direction.texts, word, 4 * length);
    if (query.empty())
        return {};
    List list;
    // Several senses of a term are one line of the list: taking it finds the first.
    if (auto rows = m_store->execute(QString::fromStdString(query))) {
        for (qsizetype row = 0; list.terms.size() < length; ++row) {
            auto more = (*rows)->hasRow(row);
            if (!more || !*more)
                break;
            const QString term = (*rows)->value(row, 0).text;
            if (!list.terms.contains(term))
                list.terms.append(term);
        }
    }
    if (!list.terms.isEmpty())
        return list;
    if (const TermSuggestions::Index* terms = index()) {
        for (const std::string& term : terms->closest(word, length))
            list.terms.append(QString::fromStdString(term));
        list.closest = true;
    }
    return list;
}

const TermSuggestions::Index* TermFinder::index()
{
    if (!m_index) {
        const QString field = m_direction.searchField;
        auto rows = m_store->execute(QStringLiteral("SELECT [%1] AS term FROM Ps WHERE [%1] IS NOT NULL ORDER BY [%1]").arg(field));
        if (!rows)
            return nullptr;
        std::vector<std::string> terms;
        for (qsizetype row = 0;; ++row) {
            auto more = (*rows)->hasRow(row);
            if (!more || !*more)
                break;
            terms.push_back((*rows)->bytes(row, 0));
        }
        m_index = std::make_unique<TermSuggestions::Index>(terms);
    }
    return m_index.get();
}
