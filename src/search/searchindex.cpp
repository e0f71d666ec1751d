#include "searchindex.h"

#include "searchtext.h"
#include "store.h"
#include "termrecord.h"
#include "termsource.h"

namespace {

QString field(const QueryResult& rows, qsizetype row, int column)
{
    return column < 0 ? QString() : rows.value(row, column).text;
}

} // namespace

SearchIndex::Entry SearchIndex::entryOf(const QueryResult& rows, qsizetype row, const TableColumns& columns, int head)
{
    const FieldValue term = rows.value(row, head);
    if (term.null || term.text.isEmpty())
        return {};
    // The tables show a sense's label after its translation; it is searched with the body.
    const QString label = field(rows, row, columns.label);
    const QString translation = TermSource::withoutLabel(field(rows, row, head == columns.french ? columns.english : columns.french), label);
    QStringList parts { label, field(rows, row, columns.definitionFrench), field(rows, row, columns.definitionEnglish) };
    QStringList notes;
    QStringList warnings;
    // A record the build never wrote is left out of the search, not a reason to give up.
    if (!TermRecord::readNotes(field(rows, row, columns.notes), &notes, &warnings))
        parts << notes << warnings;
    return { term.text, SearchText::folded(term.text), SearchText::folded(translation), SearchText::folded(parts.join(u' ')) };
}
