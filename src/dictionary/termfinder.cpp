#include "termfinder.h"

#include <optional>
#include <string>
#include <vector>

#include <QElapsedTimer>

#include "direction.h"
#include "store.h"
#include "termsuggestions.h"
#include "wordsearch.h"

TermFinder::TermFinder(std::shared_ptr<Store> store, const Direction& direction) : m_store(std::move(store)), m_direction(direction) { }

TermFinder::~TermFinder() = default;

TermFinder::List TermFinder::listFor(const QString& typed, int readingMilliseconds)
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
    list.incomplete = prepare(readingMilliseconds) != Reading::Done;
    if (m_index) {
        for (const std::string& term : m_index->closest(word, length))
            list.terms.append(QString::fromStdString(term));
        list.closest = true;
    }
    list.incomplete = list.incomplete && m_index;
    return list;
}

TermFinder::Reading TermFinder::prepare(int milliseconds)
{
    if (m_complete)
        return Reading::Done;
    if (!m_store) {
        m_complete = true;
        return Reading::Done;
    }
    if (!m_reading) {
        auto rows = m_store->execute(QStringLiteral("SELECT [%1] AS term FROM Ps WHERE [%1] IS NOT NULL ORDER BY [%1]").arg(m_direction.searchField));
        if (!rows) {
            // No such table, or one that cannot load: no closest terms either. (A server's
            // failures come with the rows, below.)
            m_complete = true;
            return Reading::Done;
        }
        m_reading = std::move(*rows);
        if (!m_index)
            m_index = std::make_unique<TermSuggestions::Index>();
    }
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        // The clock is asked once in a while: reading a term costs far less than asking it.
        for (int i = 0; i < 256; ++i, ++m_read) {
            auto more = m_reading->hasRow(m_read);
            if (!more) {
                // Read again from here next time: the terms read so far stay.
                m_reading.reset();
                return Reading::Failed;
            }
            if (!*more) {
                m_reading.reset();
                m_complete = true;
                return Reading::Done;
            }
            m_index->add(m_reading->bytes(m_read, 0));
        }
        if (milliseconds >= 0 && elapsed.hasExpired(milliseconds))
            return Reading::More;
    }
}
