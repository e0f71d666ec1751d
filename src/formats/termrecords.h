#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "failure.h"
#include "termsource.h"

// A tab-separated source's records, kept beside it so that each file stays one line a fact and
// reads well in a diff: for X.tsv, X.grammar.tsv (a headword's part of speech and gender),
// X.definitions.tsv (a pair's concept in both languages), X.notes.tsv (usage notes and
// warnings on a headword) and X.links.tsv (a headword's related terms), each optional.
namespace TermRecords {

// A note as its file gives it; the kind and the look-alike word are for the editor's checks.
struct Note final {
    QString language; // fr or en
    QString term;
    QString kind;     // one of noteKinds()
    QString lookAlike;
    QString text;
    int line = 0;
};

struct Source final {
    QList<TermSource::Entry> entries;
    QList<Note> notes;
    int grammarLines = 0;
    int definitionLines = 0;
    int statedLinks = 0;
    QStringList files; // the record files found
};

const QStringList& noteKinds();

// A source of any kind (TermSource::read) with, for a tab-separated one, the record files beside
// it put onto its entries. A line naming no term or pair of the source, a value outside the
// lists or a term given twice fails with its file and line.
Result<Source> read(const QString& path);

// Each link also from its target back, by the inverse relation, where it is not there already;
// what a record says of a link holds from both ends.
void addInverseLinks(QList<TermSource::Entry>* entries);

} // namespace TermRecords
