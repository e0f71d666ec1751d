#include "lookupcommand.h"

#include <optional>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "dictionaryoperations.h"
#include "direction.h"
#include "entryrecord.h"
#include "termfinder.h"
#include "windowdata.h"
#include "wordsearch.h"

using namespace Qt::StringLiterals;

namespace LookupCommand {
namespace {

const Direction& directionOf(const QString& language)
{
    return language == u"en" ? Direction::englishToFrench() : Direction::frenchToEnglish();
}

QString json(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + u'\n';
}

// The list that would follow the typing of `word`, one term a line, or as JSON.
Answer suggest(WindowData& data, const QString& language, const QString& word, bool asJson)
{
    const TermFinder::List list = TermFinder(data.store, directionOf(language)).listFor(word);
    Answer answer { .status = list.terms.isEmpty() ? 1 : 0, .out = {}, .err = {} };
    if (asJson) {
        answer.out = json({ { u"word"_s, word }, { u"direction"_s, language }, { u"closest"_s, list.closest },
                            { u"terms"_s, QJsonArray::fromStringList(list.terms) } });
    } else {
        for (const QString& term : list.terms)
            answer.out += term + u'\n';
    }
    return answer;
}

} // namespace

Answer run(const QString& dataDirectory, const QString& language, const QString& word, Style style)
{
    // Text tables are read from their compiled copy while it is up to date; the answer is the same.
    WindowData data = WindowData::openForLookUp(directionOf(language), dataDirectory);
    return run(data, language, word, style);
}

Answer run(WindowData& data, const QString& language, const QString& word, Style style)
{
    if (data.loadFailure)
        return { .status = 2, .out = {}, .err = failureMessage(*data.loadFailure, QStringLiteral("Form_Load")) + u'\n' };
    if (style.suggest)
        return suggest(data, language, word, style.json);
    std::optional<FoundEntry> entry;
    const auto shown = [&]() -> Result<QString> {
        auto found = WordSearch(directionOf(language), *data.lookup).find(word);
        if (!found)
            return found.failure();
        for (const Result<QString>* term : { &found->english, &found->french }) {
            if (!*term)
                return term->failure();
        }
        if (!found->num)
            return found->num.failure();
        if (auto position = browsePosition(*found->num); !position)
            return position.failure();
        entry = std::move(*found);
        return QString(*entry->french + u'\t' + *entry->english);
    }();
    if (style.json) {
        QJsonObject answer { { u"word"_s, word }, { u"direction"_s, language }, { u"found"_s, bool(shown) } };
        if (shown) {
            answer[u"french"_s] = *entry->french;
            answer[u"english"_s] = *entry->english;
            answer[u"exact"_s] = entry->exact;
            answer[u"beginning"_s] = entry->beginning;
            // The record of the entry shown, where the tables were built with records.
            auto record = EntryRecord::at(*data.lookup);
            if (!record)
                return { .status = 2, .out = {}, .err = record.failure().description + u'\n' };
            if (*record)
                answer[u"record"_s] = (*record)->json();
        } else {
            answer[u"error"_s] = QJsonObject { { u"number"_s, shown.failure().number },
                                               { u"message"_s, failureMessage(shown.failure(), QStringLiteral("afficher_resultat")) } };
        }
        return { .status = shown ? 0 : 1, .out = json(answer), .err = {} };
    }
    if (!shown)
        return { .status = 1, .out = {}, .err = failureMessage(shown.failure(), QStringLiteral("afficher_resultat")) + u'\n' };
    return { .status = 0, .out = *shown + u'\n', .err = {} };
}

} // namespace LookupCommand
