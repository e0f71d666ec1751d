#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include "termsource.h"

// The dictionary as plain text for programs that show an entry in a terminal or a plain text
// box (a DICT client, a StarDict reader): each headword of one direction with all its senses,
// their grammar, subfield, definitions, warnings, notes and related terms, in the headword's
// language.
namespace TermText
{

struct Headword final {
    QString term;
    QList<TermSource::Entry> senses; // in the source's order
};

// The pairs of one direction, one headword a term, in the order the terms first come.
QList<Headword> headwords(const QList<TermSource::Entry>& entries, bool fromFrench);

// The entry laid out in lines of at most `width` columns (a longer word stands alone), without
// the headword itself; every line ends with a line feed.
QString text(const Headword& headword, bool fromFrench, int width = 72);

// Other spellings a reader may type for the headword: it without case, accents and ligatures
// ("anxiete", "oedipe"), and its abbreviations, variants and former names that are not
// headwords of their own. Never the headword itself; each once.
// `terms` holds every headword of the direction.
QStringList alternatives(const Headword& headword, const QSet<QString>& terms, bool fromFrench);
QSet<QString> termsOf(const QList<Headword>& headwords);

// Case, accents and ligatures left out, as the dictionary's ordering folds them.
QString folded(const QString& term);

} // namespace TermText
