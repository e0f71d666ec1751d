#include "sourcecommands.h"

#include "publication.h"
#include "termlint.h"
#include "termsource.h"

namespace SourceCommands {

CommandAnswer lint(const QString& source)
{
    auto entries = TermSource::read(source);
    if (!entries)
        return { .status = 2, .out = {}, .err = entries.failure().description + u'\n' };
    const TermLint checked = TermLint::of(*entries);
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
