#include "exportcommand.h"

#include <QDir>

#include "glossaryfile.h"
#include "outputfile.h"
#include "tbxfile.h"
#include "termexport.h"
#include "termsource.h"

using namespace Qt::StringLiterals;

namespace ExportCommand {
namespace {

CommandAnswer refused(const QString& why)
{
    return { .status = 2, .out = {}, .err = why + u'\n' };
}

CommandAnswer exportTerms(const QString& dataDirectory, const QString& format, TermExport::Tables tables, const QString& subfield, const QString& output)
{
    auto entries = TermExport::entries(dataDirectory, tables);
    if (!entries)
        return refused(entries.failure().description);
    QByteArray bytes;
    const bool fromFrench = tables != TermExport::Tables::EnglishToFrench;
    if (format == u"csv") {
        bytes = TermSource::writeCsv(*entries);
    } else if (format == u"omegat") {
        bytes = GlossaryFile::omegaT(*entries, fromFrench);
    } else if (format == u"anki") {
        bytes = GlossaryFile::anki(*entries, fromFrench, subfield);
    } else {
        auto tbx = TbxFile::write(*entries, u"eVelmora, French-English dictionary of psychology, from "_s + QDir(dataDirectory).absolutePath());
        if (!tbx)
            return refused(tbx.failure().description);
        bytes = *tbx;
    }
    // Both writers write UTF-8, which the answer carries as it is.
    if (output.isEmpty() || output == u"-")
        return { .status = 0, .out = QString::fromUtf8(bytes), .err = {} };
    if (Outcome written = OutputFile::write(output, bytes); !written)
        return refused(written.failure().description);
    return { .status = 0, .out = {}, .err = QStringLiteral("%1 entries written to %2\n").arg(entries->size()).arg(output) };
}

} // namespace

CommandAnswer run(const QStringList& arguments)
{
    QString dataDirectory;
    QString format;
    QString direction;
    QString output;
    QString subfield;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        QString* value = argument == u"--format"      ? &format
                       : argument == u"--direction" ? &direction
                       : argument == u"--output"    ? &output
                       : argument == u"--subfield"  ? &subfield
                                                    : nullptr;
        if (value) {
            if (i + 1 == arguments.size() || !value->isEmpty())
                return refused(u"evelmora-tables export: "_s + argument + (value->isEmpty() ? u" needs a value"_s : u" given twice"_s));
            *value = arguments[++i];
        } else if (argument.startsWith(u"--"_s)) {
            return refused(u"evelmora-tables export: unknown option "_s + argument);
        } else if (dataDirectory.isEmpty()) {
            dataDirectory = argument;
        } else {
            return refused(u"evelmora-tables export: one data directory expected, "_s + argument + u" is a second"_s);
        }
    }
    const bool glossary = format == u"omegat" || format == u"anki";
    if (dataDirectory.isEmpty() || (format != u"tbx" && format != u"csv" && !glossary) || !QStringList { QString(), u"fr"_s, u"en"_s }.contains(direction))
        return refused(u"usage: evelmora-tables export DATA_DIRECTORY --format tbx|csv|omegat|anki [--direction fr|en] [--subfield SUBFIELD] [--output FILE]"_s);
    if (!subfield.isEmpty() && format != u"anki")
        return refused(u"evelmora-tables export: --subfield is for --format anki"_s);
    if (!subfield.isEmpty() && !TermSource::subfields().contains(subfield))
        return refused(u"evelmora-tables export: unknown subfield \"%1\": %2 expected"_s.arg(subfield, TermSource::subfields().join(u", "_s)));
    // A glossary or a deck reads one way: from French unless told otherwise.
    if (glossary && direction.isEmpty())
        direction = u"fr"_s;
    const TermExport::Tables tables = direction == u"fr"   ? TermExport::Tables::FrenchToEnglish
                                      : direction == u"en" ? TermExport::Tables::EnglishToFrench
                                                           : TermExport::Tables::Both;
    return exportTerms(dataDirectory, format, tables, subfield, output);
}

} // namespace ExportCommand
