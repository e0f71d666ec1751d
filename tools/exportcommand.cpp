#include "exportcommand.h"

#include <filesystem>
#include <system_error>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "dictdfile.h"
#include "dictzip.h"
#include "glossaryfile.h"
#include "stardictfile.h"
#include "outputfile.h"
#include "tbxfile.h"
#include "termexport.h"
#include "termsource.h"
#include "termtext.h"

using namespace Qt::StringLiterals;

namespace ExportCommand
{
namespace
{

CommandAnswer refused(const QString& why)
{
    return { .status = 2, .out = {}, .err = why + u'\n' };
}

CommandAnswer exportTerms(const QString& dataDirectory, const QString& format, TermExport::Tables tables,
    const QString& subfield, const QString& output)
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
        auto tbx = TbxFile::write(*entries,
            u"eVelmora, French-English dictionary of psychology, from "_s + QDir(dataDirectory).absolutePath());
        if (!tbx)
            return refused(tbx.failure().description);
        bytes = *tbx;
    }
    // Both writers write UTF-8, which the answer carries as it is.
    if (output.isEmpty() || output == u"-")
        return { .status = 0, .out = QString::fromUtf8(bytes), .err = {} };
    if (Outcome written = OutputFile::write(output, bytes); !written)
        return refused(written.failure().description);
    return {
        .status = 0, .out = {}, .err = QStringLiteral("%1 entries written to %2\n").arg(entries->size()).arg(output)
    };
}

struct Named final {
    QString name;
    QByteArray bytes;
};

// The files of one dictionary into `folder`, each whole, the one a reader opens the others by
// written last, so that a reader meets the new set or the old one file by file.
Outcome writeAll(const QString& folder, const QList<Named>& files)
{
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), error);
    if (error)
        return Failure { .number = FailureNumber::PathFileAccess,
            .description = u"cannot make the folder %1: %2"_s.arg(folder, QString::fromLocal8Bit(error.message())) };
    for (const Named& file : files) {
        if (Outcome written = OutputFile::write(QDir(folder).filePath(file.name), file.bytes); !written)
            return written;
    }
    return {};
}

Result<QByteArray> dictzipped(const QByteArray& data, const QString& name)
{
    return Dictzip::compress(data, name.toUtf8(), quint32(QDateTime::currentSecsSinceEpoch()));
}

// The two directions (or the one asked for) as DICT databases or StarDict dictionaries,
// evelmora-fr-en and evelmora-en-fr.
CommandAnswer exportDictionaries(
    const QString& dataDirectory, const QString& format, TermExport::Tables tables, const QString& output)
{
    if (output.isEmpty() || output == u"-")
        return refused(u"evelmora-tables export: --format "_s + format
            + u" writes files into a folder: --output FOLDER is needed"_s);
    if (const QFileInfo folder(output); folder.exists() && !folder.isDir())
        return refused(u"evelmora-tables export: "_s + output + u" is not a folder"_s);
    auto entries = TermExport::entries(dataDirectory, tables);
    if (!entries)
        return refused(entries.failure().description);
    QString report;
    for (const bool fromFrench : { true, false }) {
        if (tables == (fromFrench ? TermExport::Tables::EnglishToFrench : TermExport::Tables::FrenchToEnglish))
            continue;
        const QString name = fromFrench ? u"evelmora-fr-en"_s : u"evelmora-en-fr"_s;
        const QList<TermText::Headword> headwords = TermText::headwords(*entries, fromFrench);
        const QString title
            = fromFrench ? u"eVelmora, psychologie, français-anglais"_s : u"eVelmora, psychology, English-French"_s;
        const QString about = fromFrench ? u"eVelmora, dictionnaire des sciences psychologiques, du français vers\n"
                                           "l'anglais : %1 entrées.\n\n"
                                           "Chaque entrée donne ses traductions, leur catégorie grammaticale et leur\n"
                                           "domaine, les définitions, les faux amis, des notes et les termes liés.\n\n"
                                           "Écrit le %2 par evelmora-tables export.\n"_s
                                         : u"eVelmora, dictionary of psychological sciences, from English to French:\n"
                                           "%1 headwords.\n\n"
                                           "Each entry gives its translations with their part of speech and\n"
                                           "subfield, the definitions, false friends, notes and related terms.\n\n"
                                           "Written on %2 by evelmora-tables export.\n"_s;
        const QString date = QDate::currentDate().toString(Qt::ISODate);
        qsizetype written = 0;
        QString folder = output;
        QList<Named> files;
        if (format == u"dictd") {
            const DictdFile::Database database = DictdFile::write(headwords, fromFrench,
                DictdFile::About { .shortName = title, .info = about.arg(headwords.size()).arg(date), .url = {} });
            auto data = dictzipped(database.data, name + u".dict"_s);
            if (!data)
                return refused(u"evelmora-tables export: "_s + name + u".dict: "_s + data.failure().description);
            files = { { name + u".dict.dz"_s, *data }, { name + u".index"_s, database.index } };
            written = database.headwords;
        } else {
            const StarDictFile::Dictionary dictionary = StarDictFile::write(headwords, fromFrench,
                StarDictFile::About {
                    .bookName = title, .description = about.arg(headwords.size()).arg(date).trimmed(), .date = date });
            auto data = dictzipped(dictionary.dict, name + u".dict"_s);
            if (!data)
                return refused(u"evelmora-tables export: "_s + name + u".dict: "_s + data.failure().description);
            // Readers find a dictionary by its .ifo: a folder of its own, as their data folders keep them.
            folder = QDir(output).filePath(name);
            files = { { name + u".dict.dz"_s, *data }, { name + u".idx"_s, dictionary.idx } };
            if (!dictionary.syn.isEmpty())
                files.append({ name + u".syn"_s, dictionary.syn });
            files.append({ name + u".ifo"_s, dictionary.ifo });
            written = dictionary.headwords;
            for (const QString& term : dictionary.leftOut)
                report += u"evelmora-tables export: \""_s + term
                    + u"\" is longer than a StarDict headword may be (255 bytes): left out\n"_s;
        }
        if (Outcome done = writeAll(folder, files); !done)
            return refused(done.failure().description);
        report += u"%1 headwords written to %2\n"_s.arg(written).arg(
            QDir(folder).filePath(files.first().name.section(u'.', 0, 0)));
    }
    return { .status = 0, .out = {}, .err = report };
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
        QString* value = argument == u"--format" ? &format
            : argument == u"--direction"         ? &direction
            : argument == u"--output"            ? &output
            : argument == u"--subfield"          ? &subfield
                                                 : nullptr;
        if (value) {
            if (i + 1 == arguments.size() || !value->isEmpty())
                return refused(u"evelmora-tables export: "_s + argument
                    + (value->isEmpty() ? u" needs a value"_s : u" given twice"_s));
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
    const bool dictionary = format == u"dictd" || format == u"stardict";
    if (dataDirectory.isEmpty() || (format != u"tbx" && format != u"csv" && !glossary && !dictionary)
        || !QStringList { QString(), u"fr"_s, u"en"_s }.contains(direction))
        return refused(
            u"usage: evelmora-tables export DATA_DIRECTORY --format tbx|csv|omegat|anki|dictd|stardict [--direction fr|en] [--subfield SUBFIELD] [--output FILE|FOLDER]"_s);
    if (!subfield.isEmpty() && format != u"anki")
        return refused(u"evelmora-tables export: --subfield is for --format anki"_s);
    if (!subfield.isEmpty() && !TermSource::subfields().contains(subfield))
        return refused(u"evelmora-tables export: unknown subfield \"%1\": %2 expected"_s.arg(
            subfield, TermSource::subfields().join(u", "_s)));
    // A glossary or a deck reads one way: from French unless told otherwise.
    if (glossary && direction.isEmpty())
        direction = u"fr"_s;
    const TermExport::Tables tables = direction == u"fr" ? TermExport::Tables::FrenchToEnglish
        : direction == u"en"                             ? TermExport::Tables::EnglishToFrench
                                                         : TermExport::Tables::Both;
    if (dictionary)
        return exportDictionaries(dataDirectory, format, tables, output);
    return exportTerms(dataDirectory, format, tables, subfield, output);
}

} // namespace ExportCommand
