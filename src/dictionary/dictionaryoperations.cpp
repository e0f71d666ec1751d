#include "dictionaryoperations.h"

#include "cursor.h"
#include "direction.h"
#include "platform.h"
#include "sqltext.h"

QString doubler_apostrophes(const QString& text)
{
    // One pass instead of a call per quote: a pasted run of quotes must not exhaust the stack.
    return QString::fromStdU16String(SqlText::doubledQuotes(std::u16string_view(QStringView(text).utf16(), static_cast<std::size_t>(text.size()))));
}

namespace {

// English into Text_eng first, then Frensh into Text_fr; a failure stops it where it stands.
Outcome show(const Result<QString>& english, const Result<QString>& french, EntryView& view)
{
    if (!english)
        return english.failure();
    view.setEnglishText(*english);
    if (!french)
        return french.failure();
    view.setFrenchText(*french);
    return {};
}

} // namespace

Outcome showEntry(const Cursor& cursor, EntryView& view)
{
    return show(termField(cursor, Column::english), termField(cursor, Column::french), view);
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
    , m_search(direction, lookup)
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
        return {};
    }
    if (auto done = m_browse.moveFirst(); !done)
        return done;
    return showEntry(m_browse, m_view);
}

void DictionaryOperations::cmdSearch_Click()
{
    if (auto done = searchEntry(); !done)
        report(done.failure(), QStringLiteral("cmdSearch_Click"));
}

void DictionaryOperations::sourceKeyPress(char16_t key)
{
    if (key != 13)
        return;
    // The key handler has no name of its own; it reports as the search button would.
    if (auto done = searchEntry(); !done)
        report(done.failure(), QStringLiteral("cmdSearch_Click"));
}

void DictionaryOperations::afficher_resultat()
{
    m_view.setWindowBusy(true);
    const Outcome done = search();
    m_view.setWindowBusy(false);
    if (!done)
        report(done.failure(), QStringLiteral("afficher_resultat"));
}

Outcome DictionaryOperations::search()
{
    const QString word = m_view.sourceText();
    if (auto checked = WordSearch::checkWord(word); !checked)
        return checked;
    if (auto done = m_browse.moveFirst(); !done)
        return done;
    // A result left empty by an earlier search has no first entry to go to; the new query
    // replaces it anyway.
    if (auto entries = m_lookup.hasEntries(); entries && *entries) {
        if (auto done = m_lookup.moveFirst(); !done)
            return done;
    }
    auto found = m_search.find(word);
    if (!found)
        return found.failure();
    if (auto done = show(found->english, found->french, m_view); !done)
        return done;
    if (auto done = m_browse.moveFirst(); !done)
        return done;
    if (!found->num)
        return found->num.failure();
    auto position = browsePosition(*found->num);
    if (!position)
        return position.failure();
    return m_browse.move(*position);
}

void DictionaryOperations::Cmdnew_Click()
{
    m_view.setEnglishText(QString());
    m_view.setFrenchText(QString());
    m_view.focusSource();
    if (!m_direction.newSearchMovesCursors)
        return;
    if (auto done = m_browse.moveFirst(); !done) {
        report(done.failure(), QStringLiteral("New"));
        return;
    }
    if (auto entries = m_lookup.hasEntries(); entries && *entries) {
        if (auto done = m_lookup.moveFirst(); !done)
            report(done.failure(), QStringLiteral("New"));
    }
}

void DictionaryOperations::navigate(Outcome (Cursor::*move)(), bool ignoreNoCurrentEntry, const QString& operationName)
{
    Outcome done = (m_browse.*move)();
    if (done.ok())
        done = showEntry(m_browse, m_view);
    if (done.ok() || (ignoreNoCurrentEntry && done.failure().number == FailureNumber::NoCurrentEntry))
        return;
    report(done.failure(), operationName);
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
    Outcome done = m_browse.moveFirst();
    if (done.ok())
        done = m_browse.move(m_letterStarts[static_cast<std::size_t>(letter)]);
    if (done.ok())
        done = showEntry(m_browse, m_view);
    if (!done)
        report(done.failure(), operationName);
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
