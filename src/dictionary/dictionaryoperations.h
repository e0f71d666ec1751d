#pragma once

#include <QString>

#include "failure.h"

class BusyPointer;
class Cursor;
class EntryView;
class MessagePresenter;
struct Direction;
struct FieldValue;

// Every single quote doubled, for use inside an SQL string literal.
QString doubler_apostrophes(const QString& text);

// Shows the entry under the cursor: English into Text_eng first, then Frensh into Text_fr.
Outcome showEntry(const Cursor& cursor, EntryView& view);

// The browse position a num field names: the nearest whole number, halves to even, within
// 32 bits.
Result<qint32> browsePosition(const FieldValue& num);

// The operations of one dictionary window on its cursors and term boxes. Each reports its own
// failures through the presenter and returns normally.
class DictionaryOperations final {
public:
    DictionaryOperations(const Direction& direction, Cursor& browse, Cursor& lookup, EntryView& view,
                         MessagePresenter& presenter, BusyPointer& busyPointer);

    void cmdSearch_Click();
    // Text_fr_KeyPress in f1, Text_eng_KeyPress in eng2.
    void sourceKeyPress(char16_t key);
    void afficher_resultat();
    void Cmdnew_Click();

    Cursor& browseCursor() { return m_browse; }
    Cursor& lookupCursor() { return m_lookup; }

private:
    Outcome searchEntry();
    Outcome search();
    Outcome runLookup(const QString& query, bool* found);
    void report(const Failure& failure, const QString& operationName);

    const Direction& m_direction;
    Cursor& m_browse;
    Cursor& m_lookup;
    EntryView& m_view;
    MessagePresenter& m_presenter;
    BusyPointer& m_busyPointer;
};
