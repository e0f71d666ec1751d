#pragma once

#include <optional>

#include <QString>

#include "failure.h"
#include "letterstarttable.h"
#include "wordsearch.h"

class BusyPointer;
class Cursor;
class EntryView;
class MessagePresenter;
struct Direction;

// Every single quote doubled, for use inside an SQL string literal.
QString doubler_apostrophes(const QString& text);

// Shows the entry under the cursor: English into Text_eng first, then Frensh into Text_fr.
Outcome showEntry(const Cursor& cursor, EntryView& view);

// The operations of one dictionary window on its cursors and term boxes. Each reports its own
// failures through the presenter and returns normally.
class DictionaryOperations final {
public:
    DictionaryOperations(const Direction& direction, Cursor& browse, Cursor& lookup, const LetterStartTable& letterStarts,
                         EntryView& view, MessagePresenter& presenter, BusyPointer& busyPointer);

    void cmdSearch_Click();
    // Text_fr_KeyPress in f1, Text_eng_KeyPress in eng2.
    void sourceKeyPress(char16_t key);
    void afficher_resultat();
    void Cmdnew_Click();

    // Record navigation on the browse cursor.
    void cmdPremier_Click();
    void cmdRecule_Click();
    void cmdAvance_Click();
    void cmdDernier_Click();

    // cmdA_Click … cmdZ_Click (CmdC_Click for C), by letter index 0 to 25.
    void letter_Click(int letter);
    // First and last entry of the letter the source term box begins with.
    void cmdReculeRapidement_Click();
    void cmdAvanceRapidement_Click();

    Cursor& browseCursor() { return m_browse; }
    Cursor& lookupCursor() { return m_lookup; }

private:
    Outcome searchEntry();
    Outcome search();
    void report(const Failure& failure, const QString& operationName);
    void navigate(Outcome (Cursor::*move)(), bool ignoreNoCurrentEntry, const QString& operationName);
    // The letter index 0 to 25 the source term box begins with, or -1.
    int currentLetter() const;

    const Direction& m_direction;
    Cursor& m_browse;
    Cursor& m_lookup;
    const LetterStartTable& m_letterStarts;
    EntryView& m_view;
    MessagePresenter& m_presenter;
    BusyPointer& m_busyPointer;
    WordSearch m_search;
};
