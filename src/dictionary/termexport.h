#pragma once

#include <QList>
#include <QString>

#include "failure.h"
#include "termsource.h"

// The term pairs behind a data directory's two tables, as a source that builds the same tables
// again: each French-to-English row, joined to the English-to-French row of the same pair when
// there is one, then the English-to-French rows left, in each table's browse order. A label
// the tables write after a translation is taken back off it.
namespace TermExport {

enum class Tables { Both, FrenchToEnglish, EnglishToFrench };

Result<QList<TermSource::Entry>> entries(const QString& dataDirectory, Tables tables = Tables::Both);

} // namespace TermExport
