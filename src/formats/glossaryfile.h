#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "termsource.h"

// The term pairs as the tab-separated files other programs import: a CAT tool's glossary
// (source, target, comment) and a flash-card program's notes (term, translation, definition,
// subfield as a tag, under the header lines that say so). One direction each: the French terms
// as sources, or the English ones.
namespace GlossaryFile {

QByteArray omegaT(const QList<TermSource::Entry>& entries, bool fromFrench);
// Only the pairs of `subfield` when one is given.
QByteArray anki(const QList<TermSource::Entry>& entries, bool fromFrench, const QString& subfield = {});

} // namespace GlossaryFile
