#include "sourcecommands.h"

#include "publication.h"
#include "termlint.h"
#include "termrecords.h"
#include "termsource.h"

namespace SourceCommands {

CommandAnswer lint(const QString& source)
{
    auto read = TermRecords::read(source);
    if (!read)
        return { .status = 2, .out = {}, .err = read.failure().description + u'\n' };
    // The links a build would derive count as the tables will hold them.
    TermRecords::addInverseLinks(&read->entries);
    const TermLint checked = TermLint::of(*read);
    return { .status = checked.errors.isEmpty() ? 0 : 1, .out = checked.report(), .err = {} };
}

CommandAnswer publish(const QString& dataDirectory, const QString& connectionString)
{
    auto published = Publication::publish(dataDirectory, connectionString);
    if (!published)
        return { .status = 2, .out = {}, .err = published.failure().description + u'\n' };
    return { .status = 0,
             .out = QStringLiteral("%1 French-to-English and %2 English-to-French entries published to %3 (schemas %4 and %5)\n")
                        .arg(published->frenchToEnglish)
                        .arg(published->englishToFrench)
                        .arg(published->where, Publish::schemaOf(true), Publish::schemaOf(false)),
             .err = {} };
}

} // namespace SourceCommands
