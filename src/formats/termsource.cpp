#include "termsource.h"

#include <algorithm>
#include <array>
#include <tuple>
#include <string_view>

#include <QFileInfo>
#include <QRegularExpression>

#include "delimitedrecords.h"
#include "tbxfile.h"
#include "textfile.h"
#include "utf8text.h"

namespace TermSource {
namespace {

constexpr qint64 maxSourceBytes = qint64(1) << 30;

Failure bad(const QString& path, int line, const QString& reason)
{
    return { FailureNumber::MalformedTable, QStringLiteral("%1 line %2: %3").arg(path).arg(line).arg(reason) };
}

std::string_view view(QByteArrayView bytes)
{
    return { bytes.data(), static_cast<std::size_t>(bytes.size()) };
}

Failure notUtf8(const QString& path, std::string_view text, std::size_t at, const QString& more = {})
{
    return bad(path, TextTable::lineAt(text, at),
               QStringLiteral("the byte 0x%1 is not valid UTF-8").arg(int(static_cast<unsigned char>(text[at])), 2, 16, QLatin1Char('0')) + more);
}

// What UTF-16 without its byte-order mark looks like to a reader of 8-bit text.
Outcome withoutNul(std::string_view text, const QString& path)
{
    const std::size_t nul = text.find('\0');
    if (nul == std::string_view::npos)
        return {};
    return bad(path, TextTable::lineAt(text, nul), QStringLiteral("a NUL character, which no term source holds (is it UTF-16 without its byte-order mark?)"));
}

// Text that is UTF-8 but for a few bytes is spoilt UTF-8, not Windows-1252: read as that code
// page, each of its accented letters would become two. Only text without a single UTF-8
// sequence of more than one byte is taken for Windows-1252.
Outcome notHalfUtf8(std::string_view text, const QString& path)
{
    std::size_t fault = std::string_view::npos;
    std::size_t sequence = std::string_view::npos;
    for (std::size_t i = 0; i < text.size() && (fault == std::string_view::npos || sequence == std::string_view::npos);) {
        const std::size_t size = Utf8Text::sequenceSize(text, i);
        if (size == 0 && fault == std::string_view::npos)
            fault = i;
        else if (size > 1 && sequence == std::string_view::npos)
            sequence = i;
        i += std::max<std::size_t>(size, 1);
    }
    if (fault == std::string_view::npos || sequence == std::string_view::npos)
        return {};
    return notUtf8(path, text, fault, QStringLiteral(", yet line %1 is UTF-8: save the whole file as UTF-8").arg(TextTable::lineAt(text, sequence)));
}

// A source with its header alone would replace the tables with empty ones.
Failure noPair(const QString& path)
{
    return { FailureNumber::MalformedTable, path + QStringLiteral(": no term pair after the header line") };
}

QString withLabel(const QString& term, const QString& label)
{
    return label.isEmpty() ? term : term + QStringLiteral(" (") + label + u')';
}

// What a character that no table can hold is; null for one it can. The tables are
// tab-separated, a line a row: a tab, a line end or any other control character would split or
// break a row, and a line or paragraph separator breaks the line a window shows. A byte-order
// mark inside a term is invisible, and no one types it into a search.
const char* unfitCharacter(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
        return "the control character";
    if (u == 0xFEFF)
        return "the byte-order mark";
    if (c.category() == QChar::Separator_Line)
        return "the line separator";
    if (c.category() == QChar::Separator_Paragraph)
        return "the paragraph separator";
    return nullptr;
}

// Where each column of a source's header line is; -1 for a column it does not have.
struct Columns final {
    int french = -1;
    int english = -1;
    int direction = -1;
    int subfield = -1;
    int labelEnglish = -1;
    int labelFrench = -1;
    int grammarFrench = -1;
    int grammarEnglish = -1;
    int definitionFrench = -1;
    int definitionEnglish = -1;
    int notesFrench = -1;
    int notesEnglish = -1;
    int relatedFrench = -1;
    int relatedEnglish = -1;
    QList<int> unnamed; // spreadsheets leave these after the last column; they must stay empty
};

// The French column as the tables spell it, or as everyone else does, in every kind of source.
Result<Columns> columnsOf(const QStringList& header, const QString& path, int line = 1)
{
    Columns columns;
    std::optional<QString> unknown;
    static const std::array<std::pair<const char16_t*, int Columns::*>, 15> names { {
        { u"Frensh", &Columns::french },
        { u"French", &Columns::french },
        { u"English", &Columns::english },
        { u"Direction", &Columns::direction },
        { u"Subfield", &Columns::subfield },
        { u"LabelEn", &Columns::labelEnglish },
        { u"LabelFr", &Columns::labelFrench },
        { u"GrammarFr", &Columns::grammarFrench },
        { u"GrammarEn", &Columns::grammarEnglish },
        { u"DefinitionFr", &Columns::definitionFrench },
        { u"DefinitionEn", &Columns::definitionEnglish },
        { u"NotesFr", &Columns::notesFrench },
        { u"NotesEn", &Columns::notesEnglish },
        { u"RelatedFr", &Columns::relatedFrench },
        { u"RelatedEn", &Columns::relatedEnglish },
    } };
    for (qsizetype i = 0; i < header.size(); ++i) {
        const QString name = header[i].trimmed();
        if (name.isEmpty()) {
            columns.unnamed.append(static_cast<int>(i));
            continue;
        }
        const auto known = std::find_if(names.begin(), names.end(), [&name](const auto& entry) {
            return name.compare(QStringView(entry.first), Qt::CaseInsensitive) == 0;
        });
        if (known == names.end()) {
            if (!unknown)
                unknown = header[i];
            continue;
        }
        if (columns.*(known->second) >= 0)
            return bad(path, line, QStringLiteral("the column \"%1\" is named twice").arg(name));
        columns.*(known->second) = static_cast<int>(i);
    }
    // A missing term column says more than the odd name that may stand for it.
    if (columns.french < 0 || columns.english < 0)
        return bad(path, line, QStringLiteral("the header line names no %1 column").arg(columns.french < 0 ? QStringLiteral("Frensh") : QStringLiteral("English")));
    if (unknown)
        return bad(path, line, QStringLiteral("unknown column \"%1\"").arg(*unknown));
    return columns;
}

Result<Entry> entryOf(const QStringList& fields, const Columns& columns, const QString& path, int line, const QString& bothExpected)
{
    const auto field = [&fields](int index) { return index < 0 ? QString() : fields[index].trimmed(); };
    for (const int index : columns.unnamed) {
        if (!field(index).isEmpty())
            return bad(path, line, QStringLiteral("\"%1\" in field %2, which the header line does not name").arg(field(index)).arg(index + 1));
    }
    Entry entry { .french = field(columns.french),
                  .english = field(columns.english),
                  .direction = Direction::Both,
                  .subfield = field(columns.subfield),
                  .labelEnglish = field(columns.labelEnglish),
                  .labelFrench = field(columns.labelFrench),
                  .line = line,
                  .element = {},
                  .frenchRecord = {},
                  .englishRecord = {},
                  .definitionFrench = field(columns.definitionFrench),
                  .definitionEnglish = field(columns.definitionEnglish) };
    if (entry.french.isEmpty() || entry.english.isEmpty())
        return bad(path, line, bothExpected);
    const std::array<std::tuple<int, int, int, TermRecord::Side*, const char*>, 2> sides { {
        { columns.grammarFrench, columns.notesFrench, columns.relatedFrench, &entry.frenchRecord, "Fr" },
        { columns.grammarEnglish, columns.notesEnglish, columns.relatedEnglish, &entry.englishRecord, "En" },
    } };
    for (const auto& [grammar, notes, related, side, suffix] : sides) {
        std::optional<QString> problem = TermRecord::readGrammar(field(grammar), side);
        const char* column = "Grammar";
        if (!problem) {
            problem = TermRecord::readNotes(field(notes), &side->notes, &side->warnings);
            column = "Notes";
        }
        if (!problem) {
            problem = TermRecord::readRelated(field(related), &side->related);
            column = "Related";
        }
        if (problem)
            return bad(path, line, QStringLiteral("%1%2: %3").arg(QLatin1StringView(column), QLatin1StringView(suffix), *problem));
    }
    const QString way = field(columns.direction);
    if (way == u"fr")
        entry.direction = Direction::FrenchToEnglish;
    else if (way == u"en")
        entry.direction = Direction::EnglishToFrench;
    else if (!way.isEmpty() && way != u"both")
        return bad(path, line, QStringLiteral("direction \"%1\": both, fr or en expected").arg(way));
    if (Outcome good = check(entry, path); !good)
        return good.failure();
    return entry;
}

// A field as RFC 4180 writes it: in quotes when it holds a separator, a quote or a line end.
QByteArray csvField(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\n') && !bytes.contains('\r'))
        return bytes;
    bytes.replace("\"", "\"\"");
    return '"' + bytes + '"';
}

// The separator of a CSV file: the one of `,`, `;` and tab its header line has most of outside
// quotes (a spreadsheet set to a French locale writes `;`); none when it has none of them.
std::optional<char> csvSeparator(std::string_view text)
{
    std::array<int, 3> counts {};
    constexpr std::array<char, 3> candidates { ',', ';', '\t' };
    bool quoted = false;
    // The header line is the first that is not blank, as the record reader finds it.
    for (const char c : text.substr(std::min(text.find_first_not_of("\r\n"), text.size()))) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && TextTable::isLineEnd(c))
            break;
        for (std::size_t i = 0; i < candidates.size(); ++i)
            counts[i] += !quoted && c == candidates[i];
    }
    const auto most = std::max_element(counts.begin(), counts.end());
    if (*most == 0)
        return std::nullopt;
    return candidates[static_cast<std::size_t>(most - counts.begin())];
}

} // namespace

bool Entry::hasRecord() const
{
    return !frenchRecord.isEmpty() || !englishRecord.isEmpty() || !definitionFrench.isEmpty() || !definitionEnglish.isEmpty();
}

QString Entry::shownEnglish() const
{
    return withLabel(english, labelEnglish);
}

QString Entry::shownFrench() const
{
    return withLabel(french, labelFrench);
}

QString withoutLabel(const QString& shown, const QString& label)
{
    const QString suffix = QStringLiteral(" (") + label + u')';
    return !label.isEmpty() && shown.endsWith(suffix) ? shown.chopped(suffix.size()) : shown;
}

const QStringList& subfields()
{
    static const QStringList codes { QStringLiteral("clinical"),   QStringLiteral("biological"),     QStringLiteral("cognitive"),
                                     QStringLiteral("methods"),    QStringLiteral("social"),         QStringLiteral("psychoanalysis"),
                                     QStringLiteral("developmental"), QStringLiteral("therapy"),     QStringLiteral("learning"),
                                     QStringLiteral("personality"), QStringLiteral("emotion"),       QStringLiteral("perception"),
                                     QStringLiteral("work"),       QStringLiteral("health"),         QStringLiteral("educational"),
                                     QStringLiteral("forensic") };
    return codes;
}

Outcome check(const Entry& entry, const QString& path)
{
    const auto place = [&entry, &path](const QString& reason) {
        return entry.element.isEmpty() ? bad(path, entry.line, reason)
                                       : bad(path, entry.line, QStringLiteral("%1: %2").arg(entry.element, reason));
    };
    QList<std::pair<const QString*, const char*>> fields {
        { &entry.french, "the French term" },
        { &entry.english, "the English term" },
        { &entry.subfield, "the subfield" },
        { &entry.labelEnglish, "the label LabelEn" },
        { &entry.labelFrench, "the label LabelFr" },
        { &entry.definitionFrench, "the French definition" },
        { &entry.definitionEnglish, "the English definition" },
    };
    for (const auto& [side, noteName, linkName] : { std::tuple { &entry.frenchRecord, "a note on the French term", "a term related to the French term" },
                                                    std::tuple { &entry.englishRecord, "a note on the English term", "a term related to the English term" } }) {
        for (const QString& note : side->notes)
            fields.append({ &note, noteName });
        for (const TermRecord::Link& link : side->related)
            fields.append({ &link.term, linkName });
    }
    for (const auto& [text, name] : fields) {
        if (text->size() > maxFieldChars)
            return place(QStringLiteral("%1 \"%2…\" holds %3 characters, more than the %4 a table keeps")
                             .arg(QLatin1StringView(name), text->left(40))
                             .arg(text->size())
                             .arg(maxFieldChars));
        for (qsizetype i = 0; i < text->size(); ++i) {
            if (const char* what = unfitCharacter(text->at(i)))
                return place(QStringLiteral("%1 \"%2\" holds %3 U+%4 at position %5")
                                 .arg(QLatin1StringView(name), text->left(40), QLatin1StringView(what))
                                 .arg(int(text->at(i).unicode()), 4, 16, QLatin1Char('0'))
                                 .arg(i + 1));
        }
    }
    for (const QString* label : { &entry.labelEnglish, &entry.labelFrench }) {
        if (label->contains(u'(') || label->contains(u')'))
            return place(QStringLiteral("the label \"%1\" holds a parenthesis; the tables add their own").arg(*label));
    }
    return {};
}

Outcome checkUtf8(QByteArrayView bytes, const QString& path)
{
    const std::string_view text = view(bytes);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t size = Utf8Text::sequenceSize(text, i);
        if (size == 0)
            return notUtf8(path, text, i);
        i += size;
    }
    return {};
}

Result<QList<Entry>> read(const QString& path)
{
    auto bytes = TextFile::read(path, maxSourceBytes);
    if (!bytes)
        return bytes.failure();
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"tbx")
        return TbxFile::parse(*bytes, path);
    if (suffix == u"csv")
        return parseCsv(*bytes, path);
    // Said plainly: the hint about NULs below is for UTF-16 without its mark.
    if (bytes->startsWith("\xFF\xFE") || bytes->startsWith("\xFE\xFF"))
        return Failure { FailureNumber::MalformedTable, path + QStringLiteral(": UTF-16, where a tab-separated source is UTF-8") };
    if (Outcome plain = withoutNul(view(*bytes), path); !plain)
        return plain.failure();
    if (Outcome utf8 = checkUtf8(*bytes, path); !utf8)
        return utf8.failure();
    const auto text = TextFile::decodeUtf8(*bytes);
    if (!text)
        return Failure { FailureNumber::MalformedTable, path + QStringLiteral(": not valid UTF-8") };
    return parse(*text, path);
}

Result<QList<Entry>> parse(const QString& text, const QString& path)
{
    // Line ends as the tables' reader takes them: LF, CRLF or a lone CR.
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = text.split(lineEnd);
    if (lines.isEmpty() || lines.front().trimmed().isEmpty())
        return bad(path, 1, QStringLiteral("a header line naming the columns (Frensh, English …) expected"));
    const QStringList header = lines.front().split(u'\t');
    const auto columns = columnsOf(header, path);
    if (!columns)
        return columns.failure();

    QList<Entry> entries;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const int line = static_cast<int>(i + 1);
        if (lines[i].isEmpty())
            continue;
        const QStringList fields = lines[i].split(u'\t');
        if (fields.size() != header.size())
            return bad(path, line, QStringLiteral("%1 fields, %2 expected (a French term, a tab and an English term at least)")
                                       .arg(fields.size())
                                       .arg(header.size()));
        auto entry = entryOf(fields, *columns, path, line, QStringLiteral("a French term, a tab and an English term expected"));
        if (!entry)
            return entry.failure();
        entries.append(*entry);
    }
    if (entries.isEmpty())
        return noPair(path);
    return entries;
}

Result<QList<Entry>> parseCsv(QByteArrayView bytes, const QString& path)
{
    // Spreadsheets save UTF-8 with a byte-order mark, UTF-16 with one ("Unicode text"), or
    // the Western code page, as text tables may be; a mark on text that is not UTF-8 is a fault.
    if (bytes.startsWith("\xEF\xBB\xBF") && !Utf8Text::valid(view(bytes.sliced(3))))
        return Failure { FailureNumber::MalformedTable, path + QStringLiteral(": marked as UTF-8 but not valid UTF-8") };
    if (!bytes.startsWith("\xFF\xFE") && !bytes.startsWith("\xFE\xFF")) {
        if (Outcome plain = withoutNul(view(bytes), path); !plain)
            return plain.failure();
        if (Outcome utf8 = notHalfUtf8(view(bytes), path); !utf8)
            return utf8.failure();
    }
    QByteArray converted;
    const auto decoded = TextTable::asUtf8(bytes, TextTable::CharacterSet::Automatic, path, &converted);
    if (!decoded)
        return decoded.failure();
    const std::string_view text = *decoded;
    // A first line "sep=;" names the separator, as some spreadsheet programs write it.
    const bool separatorLine = text.size() >= 5 && text.substr(0, 4) == "sep=" && (text.size() == 5 || TextTable::isLineEnd(text[5]));
    const std::optional<char> found = separatorLine ? text[4] : csvSeparator(text);
    const char separator = found.value_or(',');
    TextTable::RecordReader reader(text, std::string(1, separator), path);
    std::vector<TextTable::Cell> cells;
    std::deque<std::string> storage;
    int line = 0;
    const auto next = [&]() -> Result<std::optional<QStringList>> {
        storage.clear();
        auto more = reader.next(&cells, &line, &storage);
        if (!more)
            return more.failure();
        if (!*more)
            return std::optional<QStringList>();
        QStringList fields;
        for (const TextTable::Cell& cell : cells)
            fields.append(QString::fromUtf8(cell.text.data(), static_cast<qsizetype>(cell.text.size())));
        return std::optional<QStringList>(fields);
    };
    if (separatorLine) {
        if (auto skipped = next(); !skipped)
            return skipped.failure();
    }
    auto header = next();
    if (!header)
        return header.failure();
    if (!*header)
        return bad(path, line + 1, QStringLiteral("a header line naming the columns (French, English …) expected"));
    if (!found)
        return bad(path, line, QStringLiteral("no \",\" between the columns of the header line \"%1\" (nor \";\" or a tab)").arg((*header)->front().left(40)));
    const auto columns = columnsOf(**header, path, line);
    if (!columns)
        return columns.failure();
    QList<Entry> entries;
    for (;;) {
        auto fields = next();
        if (!fields)
            return fields.failure();
        if (!*fields)
            break;
        if ((*fields)->size() != (*header)->size())
            return bad(path, line, QStringLiteral("%1 fields, %2 expected (the header line's columns, separated by \"%3\")")
                                       .arg((*fields)->size())
                                       .arg((*header)->size())
                                       .arg(separator == '\t' ? QStringLiteral("\\t") : QString(QLatin1Char(separator))));
        auto entry = entryOf(**fields, *columns, path, line, QStringLiteral("a French term and an English term expected"));
        if (!entry)
            return entry.failure();
        entries.append(*entry);
    }
    if (entries.isEmpty())
        return noPair(path);
    return entries;
}

QByteArray writeCsv(const QList<Entry>& entries)
{
    const bool records = std::any_of(entries.begin(), entries.end(), [](const Entry& entry) { return entry.hasRecord(); });
    QByteArray csv = "French,English,Direction,Subfield,LabelEn,LabelFr";
    if (records)
        csv += ",GrammarFr,GrammarEn,DefinitionFr,DefinitionEn,NotesFr,NotesEn,RelatedFr,RelatedEn";
    csv += "\r\n";
    for (const Entry& entry : entries) {
        const char* direction = entry.direction == Direction::Both ? "both" : entry.direction == Direction::FrenchToEnglish ? "fr" : "en";
        csv += csvField(entry.french) + ',' + csvField(entry.english) + ',' + direction + ',' + csvField(entry.subfield) + ','
            + csvField(entry.labelEnglish) + ',' + csvField(entry.labelFrench);
        if (records) {
            for (const QString& text : { TermRecord::grammarText(entry.frenchRecord), TermRecord::grammarText(entry.englishRecord), entry.definitionFrench,
                                         entry.definitionEnglish, TermRecord::notesText(entry.frenchRecord.notes, entry.frenchRecord.warnings),
                                         TermRecord::notesText(entry.englishRecord.notes, entry.englishRecord.warnings), TermRecord::relatedText(entry.frenchRecord.related),
                                         TermRecord::relatedText(entry.englishRecord.related) })
                csv += ',' + csvField(text);
        }
        csv += "\r\n";
    }
    return csv;
}

} // namespace TermSource
