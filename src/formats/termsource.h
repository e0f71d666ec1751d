#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "failure.h"
#include "termrecord.h"

// The source the dictionary's tables are built from: tab-separated UTF-8 text, a header line
// naming the columns, then one term pair a line. Frensh (or French) and English are required;
// Direction (both, fr, en), Subfield and the two labels (LabelEn after the English translation
// in the French-to-English table, LabelFr after the French one in the other) may follow, in any
// order. The same columns come from CSV as spreadsheets save it, and pairs from TBX. Record
// columns may follow too (GrammarFr, GrammarEn, DefinitionFr, DefinitionEn, NotesFr, NotesEn,
// RelatedFr, RelatedEn, in the forms of termrecord.h); a tab-separated source may instead keep
// its records in files beside it (termrecords.h).
namespace TermSource {

// Which tables a pair goes into.
enum class Direction { Both, FrenchToEnglish, EnglishToFrench };

struct Entry final {
    QString french;
    QString english;
    Direction direction = Direction::Both;
    QString subfield {};
    QString labelEnglish {};
    QString labelFrench {};
    int line = 0;
    QString element {}; // in an XML source, the element it comes from ("conceptEntry c12")
    TermRecord::Side frenchRecord {};
    TermRecord::Side englishRecord {};
    QString definitionFrench {}; // of the pair's concept
    QString definitionEnglish {};

    bool hasRecord() const;

    bool inFrenchToEnglish() const { return direction != Direction::EnglishToFrench; }
    bool inEnglishToFrench() const { return direction != Direction::FrenchToEnglish; }
    // The translation each table shows, its label in parentheses after it.
    QString shownEnglish() const;
    QString shownFrench() const;
};

// A translation as a table shows it, without the label written after it; unchanged when it
// does not end with that label in parentheses.
QString withoutLabel(const QString& shown, const QString& label);

// The longest term, label or subfield a table holds: far beyond any term (the sample's longest
// has 90 characters, a window's line shows about as many) and well within what a look-up
// request carries.
constexpr qsizetype maxFieldChars = 4096;

// The subfields of psychology an entry may name.
const QStringList& subfields();

// A source of any kind, told by its name: .tbx, .csv, else tab-separated.
Result<QList<Entry>> read(const QString& path);
// Tab-separated text; `path` names the text in failures.
Result<QList<Entry>> parse(const QString& text, const QString& path);
// CSV as RFC 4180 has it or as spreadsheets save it: UTF-8 with or without a byte-order mark,
// else Windows-1252; `,`, `;` or a tab between fields, the header line tells which.
Result<QList<Entry>> parseCsv(QByteArrayView bytes, const QString& path);
// RFC 4180: UTF-8, a header line, CRLF line ends, quotes where a field needs them. The record
// columns follow the pair's when any entry has a record.
QByteArray writeCsv(const QList<Entry>& entries);

// Why an entry cannot go into the tables (a character a table cannot hold, a field too long, a
// label with its own parentheses), named with its place in `path`; success when it can.
Outcome check(const Entry& entry, const QString& path);

// Bytes meant as UTF-8: a failure naming the line and the value of the first byte that starts
// no well-formed sequence, success when there is none.
Outcome checkUtf8(QByteArrayView bytes, const QString& path);

} // namespace TermSource
