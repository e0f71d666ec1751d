#include "wordsearch.h"

#include "cursor.h"
#include "direction.h"
#include "positionrule.h"
#include "searchplan.h"

Result<QString> termField(const Cursor& cursor, QStringView name)
{
    auto value = cursor.field(name);
    if (!value)
        return value.failure();
    if (value->null)
        return Failure { FailureNumber::InvalidUseOfNull, QStringLiteral("Invalid use of Null: the entry has no %1 term").arg(name) };
    return value->text;
}

WordSearch::WordSearch(const Direction& direction, Cursor& lookup) : m_direction(direction), m_lookup(lookup) { }

Outcome WordSearch::checkWord(const QString& word)
{
    const auto found = firstUnsendable(word);
    if (!found)
        return {};
    if (found->nul)
        return Failure { FailureNumber::InvalidArgument,
                         QStringLiteral("Invalid procedure call or argument: the word holds a NUL character at position %1").arg(found->position) };
    return Failure { FailureNumber::InvalidArgument,
                     QStringLiteral("Invalid procedure call or argument: the word holds half a character (an unpaired surrogate) at position %1")
                         .arg(found->position) };
}

Result<FoundEntry> WordSearch::find(const QString& word)
{
    if (auto checked = checkWord(word); !checked)
        return checked.failure();
    Outcome failed;
    const auto query = [this, &failed](const std::string& text) {
        m_lookup.setRecordSource(QString::fromStdString(text));
        if (auto done = m_lookup.refresh(); !done) {
            failed = done;
            return SearchPlan::Answer::Failed;
        }
        // RecordCount > 0 asks only whether there is a first entry; counting a large result
        // to the end would give the same answer slower.
        auto entries = m_lookup.hasEntries();
        if (!entries) {
            failed = entries.failure();
            return SearchPlan::Answer::Failed;
        }
        return *entries ? SearchPlan::Answer::Found : SearchPlan::Answer::Empty;
    };
    const auto ending = SearchPlan::run(m_direction.texts, word.toStdString(), query, [this] { return longestEntry(); });
    switch (ending.answer) {
    case SearchPlan::Answer::Failed:
        return failed.failure();
    case SearchPlan::Answer::Empty:
        return Failure { FailureNumber::InvalidArgument, QStringLiteral("Invalid procedure call or argument: no entry begins with any beginning of the word") };
    case SearchPlan::Answer::Found:
        break;
    }
    return FoundEntry { ending.exact, QString::fromStdString(ending.beginning), termField(m_lookup, Column::english), termField(m_lookup, Column::french),
                        m_lookup.field(Column::num) };
}

qsizetype WordSearch::longestEntry()
{
    if (!m_longestEntry) {
        m_longestEntry = 0;
        m_lookup.setRecordSource(QString::fromStdString(SearchPlan::longestQuery(m_direction.texts)));
        if (m_lookup.refresh().ok()) {
            if (auto value = m_lookup.field(u"longest"); value && !value->null) {
                bool ok = false;
                const qlonglong longest = value->text.toLongLong(&ok);
                if (ok && longest > 0)
                    m_longestEntry = longest;
            }
        }
    }
    return *m_longestEntry;
}

Result<qint32> browsePosition(const FieldValue& num)
{
    if (num.null)
        return Failure { FailureNumber::InvalidUseOfNull, QStringLiteral("Invalid use of Null: the entry has no num") };
    const auto parsed = PositionRule::parse(num.text.toStdString());
    switch (parsed.verdict) {
    case PositionRule::Verdict::Position:
        return parsed.position;
    case PositionRule::Verdict::NotANumber:
        return Failure { FailureNumber::TypeMismatch, QStringLiteral("Type mismatch: num \"%1\" is not a number").arg(num.text.left(40)) };
    case PositionRule::Verdict::Overflow:
        return Failure { FailureNumber::Overflow, QStringLiteral("Overflow: num %1 is outside the 32-bit range").arg(num.text.trimmed().left(40)) };
    case PositionRule::Verdict::Negative:
        break;
    }
    return Failure { FailureNumber::Overflow, QStringLiteral("Overflow: num %1 is below 0, before the first browse position").arg(num.text.trimmed().left(40)) };
}
