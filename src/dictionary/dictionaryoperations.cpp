#include "dictionaryoperations.h"

#include <cfenv>
#include <cmath>

#include <QRegularExpression>

#include "cursor.h"
#include "dictionarycollation.h"
#include "direction.h"
#include "platform.h"
#include "querytexts.h"

QString doubler_apostrophes(const QString& text)
{
    // One pass instead of a call per quote: a pasted run of quotes must not exhaust the stack.
    QString doubled = text;
    doubled.replace(u'\'', QStringLiteral("''"));
    return doubled;
}

namespace {

Result<QString> textOf(const Cursor& cursor, QStringView name)
{
    auto value = cursor.field(name);
    if (!value)
        return value.failure();
    if (value->null)
        return Failure { FailureNumber::InvalidUseOfNull, QStringLiteral("Invalid use of Null: the entry has no %1 term").arg(name) };
    return value->text;
}

// The working word less its last character (a surrogate pair counts as one). Characters that
// fold to nothing (combining accents) go with it: the beginning left would select the same
// entries as the one that just found none.
void dropLastCharacter(QString& word)
{
    qsizetype folded = 0;
    do {
        qsizetype cut = 1;
        if (word.size() >= 2 && word.back().isLowSurrogate() && word[word.size() - 2].isHighSurrogate())
            cut = 2;
        folded = DictionaryCollation::foldedLength(QStringView(word).last(cut));
        word.chop(cut);
    } while (folded == 0 && !word.isEmpty());
}

// A NUL would end the query text early and half a surrogate pair is no character: such a
// word is refused before any query is built from it.
Outcome checkWord(const QString& word)
{
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word[i];
        if (c.isHighSurrogate() && i + 1 < word.size() && word[i + 1].isLowSurrogate()) {
            ++i;
        } else if (c.isNull()) {
            return Failure { FailureNumber::InvalidArgument,
                             QStringLiteral("Invalid procedure call or argument: the word holds a NUL character at position %1").arg(i + 1) };
        } else if (c.isSurrogate()) {
            return Failure { FailureNumber::InvalidArgument,
                             QStringLiteral("Invalid procedure call or argument: the word holds half a character (an unpaired surrogate) at "
                                            "position %1")
                                 .arg(i + 1) };
        }
    }
    return std::nullopt;
}

// The longest beginning of the word whose folded length is below `longest`. An entry in a
// beginning's range folds to that beginning and at least one character more, so longer
// beginnings find nothing and their queries can be left out.
qsizetype usefulBeginning(const QString& word, qsizetype longest)
{
    qsizetype folded = 0;
    qsizetype end = 0;
    while (end < word.size()) {
        const qsizetype width = word[end].isHighSurrogate() && end + 1 < word.size() && word[end + 1].isLowSurrogate() ? 2 : 1;
        folded += DictionaryCollation::foldedLength(QStringView(word).mid(end, width));
        if (folded >= longest)
            break;
        end += width;
    }
    return end;
}

} // namespace

Outcome showEntry(const Cursor& cursor, EntryView& view)
{
    auto english = textOf(cursor, u"English");
    if (!english)
        return english.failure();
    view.setEnglishText(*english);
    auto french = textOf(cursor, u"Frensh");
    if (!french)
        return french.failure();
    view.setFrenchText(*french);
    return std::nullopt;
}

Result<qint32> browsePosition(const FieldValue& num)
{
    if (num.null)
        return Failure { FailureNumber::InvalidUseOfNull, QStringLiteral("Invalid use of Null: the entry has no num") };
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    const QString text = num.text.trimmed();
    if (!number.match(text).hasMatch())
        return Failure { FailureNumber::TypeMismatch, QStringLiteral("Type mismatch: num \"%1\" is not a number").arg(num.text.left(40)) };
    const double value = std::strtod(text.toLatin1().constData(), nullptr);
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    if (!std::isfinite(rounded) || rounded < -2147483648.0 || rounded > 2147483647.0)
        return Failure { FailureNumber::Overflow, QStringLiteral("Overflow: num %1 is outside the 32-bit range").arg(text.left(40)) };
    return static_cast<qint32>(rounded);
}

DictionaryOperations::DictionaryOperations(const Direction& direction, Cursor& browse, Cursor& lookup, const LetterStartTable& letterStarts,
                                           EntryView& view, MessagePresenter& presenter, BusyPointer& busyPointer)
    : m_direction(direction)
    , m_browse(browse)
    , m_lookup(lookup)
    , m_letterStarts(letterStarts)
    , m_view(view)
    , m_presenter(presenter)
    , m_busyPointer(busyPointer)
{
}

void DictionaryOperations::report(const Failure& failure, const QString& operationName)
{
    m_presenter.showMessage(failureMessage(failure, operationName));
}

Outcome DictionaryOperations::searchEntry()
{
    if (!m_view.sourceText().isEmpty()) {
        m_busyPointer.setHourglass();
        afficher_resultat();
        m_busyPointer.setDefault();
        return std::nullopt;
    }
    if (auto failure = m_browse.moveFirst())
        return failure;
    return showEntry(m_browse, m_view);
}

void DictionaryOperations::cmdSearch_Click()
{
    if (auto failure = searchEntry())
        report(*failure, QStringLiteral("cmdSearch_Click"));
}

void DictionaryOperations::sourceKeyPress(char16_t key)
{
    if (key != 13)
        return;
    // The key handler has no name of its own; it reports as the search button would.
    if (auto failure = searchEntry())
        report(*failure, QStringLiteral("cmdSearch_Click"));
}

void DictionaryOperations::afficher_resultat()
{
    m_view.setWindowBusy(true);
    const Outcome failure = search();
    m_view.setWindowBusy(false);
    if (failure)
        report(*failure, QStringLiteral("afficher_resultat"));
}

Outcome DictionaryOperations::runLookup(const QString& query, bool* found)
{
    m_lookup.setRecordSource(query);
    if (auto failure = m_lookup.refresh())
        return failure;
    // RecordCount > 0 asks only whether there is a first entry; counting a large result
    // to the end would give the same answer slower.
    auto entries = m_lookup.hasEntries();
    if (!entries)
        return entries.failure();
    *found = *entries;
    return std::nullopt;
}

Outcome DictionaryOperations::search()
{
    QString word = m_view.sourceText();
    if (auto failure = checkWord(word))
        return failure;
    if (auto failure = m_browse.moveFirst())
        return failure;
    // A result left empty by an earlier search has no first entry to go to; the new query
    // replaces it anyway.
    if (auto entries = m_lookup.hasEntries(); entries && *entries) {
        if (auto failure = m_lookup.moveFirst())
            return failure;
    }

    const QString quote = QStringLiteral("'");
    bool found = false;
    if (auto failure = runLookup(m_direction.exactStart + quote + doubler_apostrophes(word) + quote + m_direction.exactEnd, &found))
        return failure;
    // A pasted text runs a query per beginning; those longer than any entry find nothing.
    if (!found && word.size() > QueryTexts::pastedLength) {
        if (const qsizetype longest = longestEntry(); longest > 0)
            word.truncate(usefulBeginning(word, longest));
    }
    while (!found) {
        const QString doubled = doubler_apostrophes(word);
        const QString query = m_direction.prefixStart + quote + doubled + QLatin1StringView(QueryTexts::rangeLowEnd) + quote
            + QLatin1StringView(QueryTexts::rangeAnd) + quote + doubled + QLatin1StringView(QueryTexts::rangeHighEnd) + quote + m_direction.prefixEnd;
        if (auto failure = runLookup(query, &found))
            return failure;
        if (found)
            break;
        if (word.isEmpty())
            return Failure { FailureNumber::InvalidArgument,
                             QStringLiteral("Invalid procedure call or argument: no entry begins with any beginning of the word") };
        dropLastCharacter(word);
    }

    if (auto failure = showEntry(m_lookup, m_view))
        return failure;
    if (auto failure = m_browse.moveFirst())
        return failure;
    auto num = m_lookup.field(u"num");
    if (!num)
        return num.failure();
    auto position = browsePosition(*num);
    if (!position)
        return position.failure();
    return m_browse.move(*position);
}

qsizetype DictionaryOperations::longestEntry()
{
    if (!m_longestEntry) {
        m_longestEntry = 0;
        m_lookup.setRecordSource(QLatin1StringView(QueryTexts::longestStart) + m_direction.searchField + QLatin1StringView(QueryTexts::longestEnd));
        if (!m_lookup.refresh()) {
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

void DictionaryOperations::Cmdnew_Click()
{
    m_view.setEnglishText(QString());
    m_view.setFrenchText(QString());
    m_view.focusSource();
    if (!m_direction.newSearchMovesCursors)
        return;
    if (auto failure = m_browse.moveFirst()) {
        report(*failure, QStringLiteral("New"));
        return;
    }
    if (auto entries = m_lookup.hasEntries(); entries && *entries) {
        if (auto failure = m_lookup.moveFirst())
            report(*failure, QStringLiteral("New"));
    }
}

void DictionaryOperations::navigate(Outcome (Cursor::*move)(), bool ignoreNoCurrentEntry, const QString& operationName)
{
    Outcome failure = (m_browse.*move)();
    if (!failure)
        failure = showEntry(m_browse, m_view);
    if (!failure || (ignoreNoCurrentEntry && failure->number == FailureNumber::NoCurrentEntry))
        return;
    report(*failure, operationName);
}

void DictionaryOperations::cmdPremier_Click()
{
    navigate(&Cursor::moveFirst, false, QStringLiteral("cmdPremier_Click"));
}

void DictionaryOperations::cmdRecule_Click()
{
    navigate(&Cursor::movePrevious, true, QStringLiteral("cmdRecule_Click"));
}

void DictionaryOperations::cmdAvance_Click()
{
    navigate(&Cursor::moveNext, true, QStringLiteral("cmdAvance"));
}

void DictionaryOperations::cmdDernier_Click()
{
    navigate(&Cursor::moveLast, false, QStringLiteral("cmdDernier_Click"));
}

void DictionaryOperations::letter_Click(int letter)
{
    if (letter == 0) {
        cmdPremier_Click();
        return;
    }
    const QChar name(u'A' + letter);
    // The names that end these messages are spelt as the dictionary always spelt them.
    const QChar spelt = QStringView(u"CDET").contains(name) ? name.toLower() : name;
    const QString operationName = QStringLiteral("cmd") + spelt + QStringLiteral("_Click");
    Outcome failure = m_browse.moveFirst();
    if (!failure)
        failure = m_browse.move(m_letterStarts[static_cast<std::size_t>(letter)]);
    if (!failure)
        failure = showEntry(m_browse, m_view);
    if (failure)
        report(*failure, operationName);
}

int DictionaryOperations::currentLetter() const
{
    const QString text = m_view.sourceText();
    if (text.isEmpty())
        return -1;
    // Exact comparison with "A" to "Z": no folding, so É, Œ, digits and blanks select nothing.
    const QString first = QString(text.front()).toUpper();
    if (first.size() != 1 || first.front() < u'A' || first.front() > u'Z')
        return -1;
    return first.front().unicode() - u'A';
}

void DictionaryOperations::cmdReculeRapidement_Click()
{
    const int letter = currentLetter();
    if (letter >= 0)
        letter_Click(letter);
}

void DictionaryOperations::cmdAvanceRapidement_Click()
{
    const int letter = currentLetter();
    if (letter < 0)
        return;
    if (letter == 25) {
        cmdDernier_Click();
        return;
    }
    letter_Click(letter + 1);
    cmdRecule_Click();
}
