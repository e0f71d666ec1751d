#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "failure.h"

// The source the dictionary's tables are built from: tab-separated UTF-8 text, a header line
// naming the columns, then one term pair a line. Frensh and English are required; Direction
// (both, fr, en), Subfield and the two labels (LabelEn after the English translation in the
// French-to-English table, LabelFr after the French one in the other) may follow, in any order.
namespace TermSource {

// Which tables a pair goes into.
enum class Direction { Both, FrenchToEnglish, EnglishToFrench };

struct Entry final {
    QString french;
    QString english;
    Direction direction = Direction::Both;
    QString subfield;
    QString labelEnglish;
    QString labelFrench;
    int line = 0;

    bool inFrenchToEnglish() const { return direction != Direction::EnglishToFrench; }
    bool inEnglishToFrench() const { return direction != Direction::FrenchToEnglish; }
    // The translation each table shows, its label in parentheses after it.
    QString shownEnglish() const;
    QString shownFrench() const;
};

// The subfields of psychology an entry may name.
const QStringList& subfields();

Result<QList<Entry>> read(const QString& path);
// `path` names the text in failures.
Result<QList<Entry>> parse(const QString& text, const QString& path);

} // namespace TermSource
