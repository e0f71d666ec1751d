#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "failure.h"
#include "termsource.h"

// Term bases in TBX (ISO 30042), the TBX-Basic dialect: written as TBX v3 (a concept entry per
// French-English pair), read as v3 or as the older martif of v2. A pair found from one side only
// belongs to the project subset of that table ("fr-en" or "en-fr"); a label is a note on the
// term it follows in the tables.
namespace TbxFile {

// Every French term of a concept entry paired with every English one, each fit for the tables
// (TermSource::check). Failures name the file, the line and the element.
Result<QList<TermSource::Entry>> parse(QByteArrayView bytes, const QString& path);

// `title` goes into the header's source description. Fails on a character XML cannot hold.
Result<QByteArray> write(const QList<TermSource::Entry>& entries, const QString& title);

} // namespace TbxFile
