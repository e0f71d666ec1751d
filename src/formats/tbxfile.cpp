#include "tbxfile.h"

#include <algorithm>
#include <optional>

#include <QHash>
#include <QStringConverter>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace TbxFile {
namespace {

using TermSource::Entry;

// A current entry names its terms; a foreign term base may give a current many of them in each
// language, and every French term is paired with every English one.
constexpr qsizetype maxPairsPerConcept = 1000;

using TermSource::maxFieldChars;
// Only entities make a file's text longer than its bytes; twice as long, plus room for a small
// file's few entities, is more than any term base needs.
constexpr qint64 textMargin = 65536;

constexpr auto tbxNamespace = "urn:iso:std:iso:30042:ed-2";
// TBX-Basic's crossReference says which term, not how it is related: the relation goes in an
// attribute of this program's own namespace, which other readers pass over.
constexpr auto recordNamespace = "urn:evelmora:term-record";
constexpr auto frenchToEnglishSubset = u"fr-en";
constexpr auto englishToFrenchSubset = u"en-fr";

Failure bad(const QString& path, qint64 line, const QString& reason)
{
    return { FailureNumber::MalformedTable, QStringLiteral("%1 line %2: %3").arg(path).arg(line).arg(reason) };
}

struct Term final {
    QString text;
    QStringList notes; // its label
    TermRecord::Side record; // grammar and links; notes come from the language section
    QString termType;
};

struct Concept final {
    QString element; // "conceptEntry c12", for failures
    qint64 line = 0;
    QString subjectField;
    QString subset;
    QList<Term> french;
    QList<Term> english;
    QString frenchDefinition;
    QString englishDefinition;
    QStringList frenchNotes;
    QStringList englishNotes;
    QStringList frenchWarnings; // notes marked as false-friend warnings
    QStringList englishWarnings;
};

// TBX-Basic's picklists and this program's parts of speech and genders, both ways; a TBX
// abbreviation or phrase is a term type.
const QList<std::pair<QString, QString>>& genderNames()
{
    static const QList<std::pair<QString, QString>> names {
        { QStringLiteral("m"), QStringLiteral("masculine") },
        { QStringLiteral("f"), QStringLiteral("feminine") },
        { QStringLiteral("mf"), QStringLiteral("other") },
    };
    return names;
}

void settle(Term* term)
{
    static const QStringList abbreviations { QStringLiteral("abbreviation"), QStringLiteral("acronym"), QStringLiteral("initialism"),
                                             QStringLiteral("shortForm") };
    QString& pos = term->record.partOfSpeech;
    if (abbreviations.contains(term->termType))
        pos = QStringLiteral("abbreviation");
    else if (term->termType == u"phrase")
        pos = QStringLiteral("phrase");
    else if (pos == u"properNoun")
        pos = QStringLiteral("noun");
    else if (!TermRecord::partsOfSpeech().contains(pos))
        pos.clear();
    if (pos != u"noun" && pos != u"abbreviation")
        term->record.gender.clear();
}

// fr, fr-FR, fr_CA … are French; en, en-GB … English; other languages are not read.
QString language(const QXmlStreamReader& xml)
{
    const QString tag = xml.attributes().value(QStringLiteral("xml:lang")).toString().toLower();
    return tag.section(u'-', 0, 0).section(u'_', 0, 0);
}

bool isConcept(QStringView name)
{
    return name == u"conceptEntry" || name == u"termEntry";
}

bool isTermSection(QStringView name)
{
    return name == u"termSec" || name == u"tig" || name == u"ntig";
}

Result<QList<Entry>> pairsOf(const Concept& current, const QString& path)
{
    if (current.french.isEmpty() || current.english.isEmpty())
        return bad(path, current.line, QStringLiteral("%1 has no %2 term").arg(current.element, current.french.isEmpty() ? QStringLiteral("French") : QStringLiteral("English")));
    if (current.french.size() * current.english.size() > maxPairsPerConcept)
        return bad(path, current.line, QStringLiteral("%1 pairs %2 French with %3 English terms, more than %4 pairs")
                                           .arg(current.element)
                                           .arg(current.french.size())
                                           .arg(current.english.size())
                                           .arg(maxPairsPerConcept));
    TermSource::Direction direction = TermSource::Direction::Both;
    if (current.subset == frenchToEnglishSubset)
        direction = TermSource::Direction::FrenchToEnglish;
    else if (current.subset == englishToFrenchSubset)
        direction = TermSource::Direction::EnglishToFrench;
    QList<Entry> pairs;
    for (const Term& french : current.french) {
        for (const Term& english : current.english) {
            Entry pair { .french = french.text,
                         .english = english.text,
                         .direction = direction,
                         .subfield = current.subjectField,
                         .labelEnglish = english.notes.join(QStringLiteral("; ")),
                         .labelFrench = french.notes.join(QStringLiteral("; ")),
                         .line = static_cast<int>(current.line),
                         .element = current.element,
                         .frenchRecord = french.record,
                         .englishRecord = english.record,
                         .definitionFrench = current.frenchDefinition,
                         .definitionEnglish = current.englishDefinition };
            pair.frenchRecord.notes = current.frenchNotes;
            pair.englishRecord.notes = current.englishNotes;
            pair.frenchRecord.warnings = current.frenchWarnings;
            pair.englishRecord.warnings = current.englishWarnings;
            if (Outcome good = TermSource::check(pair, path); !good)
                return good.failure();
            pairs.append(pair);
        }
    }
    return pairs;
}

// XML 1.0 holds tabs, line ends and everything from U+0020 but U+FFFE and U+FFFF.
bool xmlCanHold(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        const char16_t u = c.unicode();
        return u >= 0x20 ? u != 0xFFFE && u != 0xFFFF : u == 0x09 || u == 0x0A || u == 0x0D;
    });
}

// What the file says before its root element: the encoding it declares and its entities.
struct Prolog final {
    QString encoding;
    QXmlStreamEntityDeclarations entities;
};

Prolog prologOf(const QByteArray& data)
{
    QXmlStreamReader xml(data);
    Prolog prolog;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartDocument)
            prolog.encoding = xml.documentEncoding().toString();
        else if (token == QXmlStreamReader::DTD)
            prolog.entities = xml.entityDeclarations();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::StartElement)
            break;
    }
    return prolog;
}

// The encoding the XML reader decodes the file in: a byte-order mark's, else the declared one,
// else UTF-8.
QStringDecoder decoderOf(const QByteArray& data, const QString& declared)
{
    if (const auto marked = QStringConverter::encodingForData(data, u'<'))
        return QStringDecoder(*marked);
    return declared.isEmpty() ? QStringDecoder(QStringConverter::Utf8) : QStringDecoder(declared.toLatin1().constData());
}

// The XML reader finds an encoding fault but not its line.
Outcome checkEncoding(const QByteArray& data, const Prolog& prolog, const QString& path)
{
    const QStringDecoder decoder = decoderOf(data, prolog.encoding);
    const bool utf8 = decoder.isValid() && decoder.name() == QStringConverter::nameForEncoding(QStringConverter::Utf8);
    return utf8 ? TermSource::checkUtf8(data, path) : Outcome {};
}

// Calls `found(at, name)` for each general entity reference "&name;" in `text`, character
// references aside; stops when `found` returns false. A name ends at the next '&' at the latest,
// so no character is looked at twice.
template<typename Found>
void forEachReference(QStringView text, Found found)
{
    static constexpr QStringView notInNames = u" \t\r\n&;<>\"'%#";
    for (qsizetype at = text.indexOf(u'&'); at >= 0; at = text.indexOf(u'&', at + 1)) {
        qsizetype end = at + 1;
        while (end < text.size() && !notInNames.contains(text[end]))
            ++end;
        if (end > at + 1 && end < text.size() && text[end] == u';' && !found(at, text.sliced(at + 1, end - at - 1)))
            return;
    }
}

// What a reference to each entity the file declares expands to, counted before the XML reader
// expands anything: a file of a megabyte could otherwise ask for gigabytes.
class Entities final {
public:
    struct Expansion final {
        qint64 chars = 0;
        QString outsideFile; // the file an external entity stands for, which is never read
    };

    Entities(const QXmlStreamEntityDeclarations& declarations, qint64 ceiling) : m_ceiling(ceiling)
    {
        for (const QXmlStreamEntityDeclaration& declaration : declarations) {
            Declared& declared = m_declared[declaration.name().toString()];
            if (declaration.systemId().isEmpty())
                declared.values.append(declaration.value().toString());
            else
                declared.outsideFile = declaration.systemId().toString();
        }
    }

    // Counted up to the ceiling. A name declared more than once (a parameter entity may share
    // it) takes its longest value; an undeclared one is the XML reader's to refuse.
    Expansion of(QStringView name, int depth = 0)
    {
        if (name == u"lt" || name == u"gt" || name == u"amp" || name == u"apos" || name == u"quot")
            return { 1, {} };
        const auto it = m_declared.find(name.toString());
        if (it == m_declared.end())
            return {};
        Declared& declared = *it; // nothing is inserted while counting, so it stays in place
        if (declared.expansion)
            return *declared.expansion;
        // A loop is the XML reader's to refuse when it is referenced; a chain too deep to follow
        // is taken as long.
        if (declared.visiting)
            return { 0, declared.outsideFile };
        if (depth > 64)
            return { m_ceiling, declared.outsideFile };
        declared.visiting = true;
        Expansion most { 0, declared.outsideFile };
        for (const QString& value : declared.values) {
            qint64 chars = value.size();
            forEachReference(value, [&](qsizetype, QStringView inner) {
                const Expansion part = of(inner, depth + 1);
                chars = std::min(m_ceiling, chars + part.chars);
                if (most.outsideFile.isEmpty())
                    most.outsideFile = part.outsideFile;
                return true;
            });
            most.chars = std::max(most.chars, chars);
        }
        declared.visiting = false;
        declared.expansion = most;
        return most;
    }

private:
    struct Declared final {
        QStringList values;
        QString outsideFile;
        std::optional<Expansion> expansion;
        bool visiting = false;
    };
    QHash<QString, Declared> m_declared;
    qint64 m_ceiling;
};

int lineAt(QStringView text, qsizetype position)
{
    int line = 1;
    for (qsizetype i = 0; i < position; ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')))
            ++line;
    }
    return line;
}

// Every reference in the file, the DTD's and those in comments included, counted against the
// limit of its text: more than the reader expands, never less.
Outcome checkEntities(const QByteArray& data, const Prolog& prolog, qint64 maxChars, const QString& path)
{
    if (prolog.entities.isEmpty())
        return {};
    QStringDecoder decoder = decoderOf(data, prolog.encoding);
    if (!decoder.isValid())
        return {}; // the XML reader refuses the encoding at the XML declaration, before any entity
    const QString text = decoder.decode(data);
    Entities entities(prolog.entities, maxChars + 1);
    qint64 chars = text.size();
    Outcome outcome;
    forEachReference(text, [&](qsizetype at, QStringView name) {
        const Entities::Expansion expansion = entities.of(name);
        chars += expansion.chars;
        if (!expansion.outsideFile.isEmpty())
            outcome = bad(path, lineAt(text, at), QStringLiteral("the entity &%1; stands for an outside file (%2), which is never read").arg(name, expansion.outsideFile));
        else if (chars > maxChars)
            outcome = bad(path, lineAt(text, at),
                          QStringLiteral("the entity references up to &%1; could expand the text past twice the file's size and %2 characters more").arg(name).arg(textMargin));
        return bool(outcome);
    });
    return outcome;
}

// The XML reader, with what it would let pass unsaid refused.
class Tokens final {
public:
    Tokens(const QByteArray& data, qint64 maxChars, const QString& path) : m_xml(data), m_path(path), m_maxChars(maxChars)
    {
        // The reader's own default, on what the references inside one entity expand to.
        m_xml.setEntityExpansionLimit(maxFieldChars);
    }

    QXmlStreamReader& xml() { return m_xml; }

    // The next token; the reader's own failures and an entity it could not resolve, which it
    // would drop from the text, are refused. Its text counts against the limit: the default
    // values a DTD gives attributes can repeat an entity in every element.
    Result<QXmlStreamReader::TokenType> next()
    {
        const QXmlStreamReader::TokenType token = m_xml.readNext();
        if (token == QXmlStreamReader::Invalid)
            return bad(m_path, m_xml.lineNumber(), QStringLiteral("not well-formed XML: ") + m_xml.errorString());
        if (token == QXmlStreamReader::EntityReference)
            return bad(m_path, m_xml.lineNumber(), QStringLiteral("the entity &%1; is not declared in the file (declarations outside it are never read)").arg(m_xml.name()));
        if (token == QXmlStreamReader::Characters) {
            m_chars += m_xml.text().size();
        } else if (token == QXmlStreamReader::StartElement) {
            for (const QXmlStreamAttribute& attribute : m_xml.attributes())
                m_chars += attribute.value().size();
        }
        if (m_chars > m_maxChars)
            return bad(m_path, m_xml.lineNumber(), QStringLiteral("the entities expand the text past twice the file's size and %1 characters more").arg(textMargin));
        return token;
    }

    // The text of the element just started, its children's text included, refused past what
    // the tables keep of a term, a note or a field.
    Result<QString> elementText(const QString& within)
    {
        const qint64 line = m_xml.lineNumber();
        const QString name = m_xml.name().toString();
        QString text;
        for (int depth = 1; depth > 0;) {
            auto token = next();
            if (!token)
                return token.failure();
            if (*token == QXmlStreamReader::StartElement)
                ++depth;
            else if (*token == QXmlStreamReader::EndElement)
                --depth;
            else if (*token == QXmlStreamReader::Characters)
                text += m_xml.text();
            if (text.size() > maxFieldChars)
                return bad(m_path, line, QStringLiteral("%1: the <%2> holds more than %3 characters").arg(within, name).arg(maxFieldChars));
        }
        // Blanks, tabs and line ends are the file's layout; a line or paragraph separator or a
        // NEL is a character of the text, which tidying would silently turn into a blank.
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (c == 0x2028 || c == 0x2029 || c == 0x85)
                return bad(m_path, line, QStringLiteral("%1: the <%2> holds U+%3 at position %4, a line end no table row can hold")
                                             .arg(within, name)
                                             .arg(int(c), 4, 16, QLatin1Char('0'))
                                             .arg(i + 1));
        }
        return text.simplified();
    }

private:
    QXmlStreamReader m_xml;
    const QString& m_path;
    qint64 m_maxChars;
    qint64 m_chars = 0;
};

} // namespace

Result<QList<Entry>> parse(QByteArrayView bytes, const QString& path)
{
    const QByteArray data = bytes.toByteArray();
    const Prolog prolog = prologOf(data);
    if (Outcome encoded = checkEncoding(data, prolog, path); !encoded)
        return encoded.failure();
    const qint64 maxChars = 2 * data.size() + textMargin;
    if (Outcome bounded = checkEntities(data, prolog, maxChars, path); !bounded)
        return bounded.failure();
    Tokens tokens(data, maxChars, path);
    QXmlStreamReader& xml = tokens.xml();
    QList<Entry> entries;
    std::optional<Concept> current;
    std::optional<Term> term;
    QString currentLanguage;
    bool rooted = false;
    int concepts = 0;
    while (!xml.atEnd()) {
        const auto next = tokens.next();
        if (!next)
            return next.failure();
        const QXmlStreamReader::TokenType token = *next;
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = xml.name();
            if (!rooted) {
                if (name != u"tbx" && name != u"martif")
                    return bad(path, xml.lineNumber(), QStringLiteral("the root element is <%1>: a TBX file has <tbx> (or <martif>)").arg(name));
                rooted = true;
            } else if (isConcept(name)) {
                if (current)
                    return bad(path, xml.lineNumber(), QStringLiteral("a <%1> inside %2").arg(name, current->element));
                ++concepts;
                const QString id = xml.attributes().value(QStringLiteral("id")).toString();
                current = Concept {};
                current->element = id.isEmpty() ? QStringLiteral("%1 number %2").arg(name).arg(concepts) : name.toString() + u' ' + id;
                current->line = xml.lineNumber();
            } else if (!current) {
                continue;
            } else if (name == u"langSec" || name == u"langSet") {
                currentLanguage = language(xml);
            } else if (isTermSection(name)) {
                term = Term {};
            } else if (name == u"term") {
                if (!term) // TBX v2 allows a bare term in a langSet only inside tig or ntig
                    term = Term {};
                auto text = tokens.elementText(current->element);
                if (!text)
                    return text.failure();
                term->text = *text;
                if (term->text.isEmpty())
                    return bad(path, xml.lineNumber(), QStringLiteral("%1: an empty term").arg(current->element));
            } else if (name == u"note") {
                const bool warning = xml.attributes().value(QLatin1StringView(recordNamespace), QStringLiteral("kind")) == u"warning";
                auto note = tokens.elementText(current->element);
                if (!note)
                    return note.failure();
                // On a term, its label; on a language section, a note on its terms.
                QStringList* notes = term ? &term->notes
                    : currentLanguage == u"fr" ? (warning ? &current->frenchWarnings : &current->frenchNotes)
                    : currentLanguage == u"en" ? (warning ? &current->englishWarnings : &current->englishNotes)
                                               : nullptr;
                if (notes && !note->isEmpty())
                    notes->append(*note);
            } else if ((name == u"termNote" || name == u"descrip") && term) {
                const QString type = xml.attributes().value(QStringLiteral("type")).toString();
                auto value = tokens.elementText(current->element);
                if (!value)
                    return value.failure();
                if (type == u"partOfSpeech") {
                    term->record.partOfSpeech = *value;
                } else if (type == u"grammaticalGender") {
                    for (const auto& [code, tbx] : genderNames()) {
                        if (*value == tbx)
                            term->record.gender = code;
                    }
                } else if (type == u"grammaticalNumber") {
                    term->record.plural = *value == u"plural";
                } else if (type == u"termType") {
                    term->termType = *value;
                }
            } else if (name == u"descrip" && !term && xml.attributes().value(QStringLiteral("type")) == u"definition"
                       && (currentLanguage == u"fr" || currentLanguage == u"en")) {
                auto definition = tokens.elementText(current->element);
                if (!definition)
                    return definition.failure();
                QString& kept = currentLanguage == u"fr" ? current->frenchDefinition : current->englishDefinition;
                if (kept.isEmpty())
                    kept = *definition;
            } else if (name == u"ref" && term && xml.attributes().value(QStringLiteral("type")) == u"crossReference") {
                QString relation = xml.attributes().value(QLatin1StringView(recordNamespace), QStringLiteral("relation")).toString();
                if (!TermRecord::relations().contains(relation))
                    relation = QStringLiteral("related");
                auto target = tokens.elementText(current->element);
                if (!target)
                    return target.failure();
                const TermRecord::Link link { relation, *target };
                if (!target->isEmpty() && !term->record.related.contains(link))
                    term->record.related.append(link);
            } else if (name == u"descrip" && !term && xml.attributes().value(QStringLiteral("type")) == u"subjectField") {
                auto field = tokens.elementText(current->element);
                if (!field)
                    return field.failure();
                if (current->subjectField.isEmpty())
                    current->subjectField = *field;
            } else if (name == u"admin" && !term && xml.attributes().value(QStringLiteral("type")) == u"projectSubset") {
                auto subset = tokens.elementText(current->element);
                if (!subset)
                    return subset.failure();
                current->subset = *subset;
            }
        } else if (token == QXmlStreamReader::EndElement && current) {
            const QStringView name = xml.name();
            if (isTermSection(name) && term) {
                if (term->text.isEmpty())
                    return bad(path, xml.lineNumber(), QStringLiteral("%1: a <%2> without its term").arg(current->element, name));
                settle(&*term);
                if (currentLanguage == u"fr")
                    current->french.append(*term);
                else if (currentLanguage == u"en")
                    current->english.append(*term);
                term.reset();
            } else if (name == u"langSec" || name == u"langSet") {
                currentLanguage.clear();
            } else if (isConcept(name)) {
                auto pairs = pairsOf(*current, path);
                if (!pairs)
                    return pairs.failure();
                entries.append(*pairs);
                current.reset();
            }
        }
    }
    if (entries.isEmpty())
        return Failure { FailureNumber::MalformedTable, path + QStringLiteral(": no conceptEntry with a French and an English term") };
    return entries;
}

Result<QByteArray> write(const QList<Entry>& entries, const QString& title)
{
    bool records = false;
    // Where a cross-reference points: the first term section of that term in that language.
    QHash<QString, QString> sections;
    qsizetype counted = 0;
    for (const Entry& entry : entries) {
        QList<const QString*> texts { &entry.french, &entry.english, &entry.subfield, &entry.labelEnglish, &entry.labelFrench, &entry.definitionFrench,
                                      &entry.definitionEnglish };
        for (const TermRecord::Side* side : { &entry.frenchRecord, &entry.englishRecord }) {
            for (const QString& note : side->notes)
                texts.append(&note);
            for (const QString& warning : side->warnings)
                texts.append(&warning);
            for (const TermRecord::Link& link : side->related)
                texts.append(&link.term);
        }
        for (const QString* text : texts) {
            if (!xmlCanHold(*text))
                return Failure { FailureNumber::MalformedTable, QStringLiteral("%1 – %2: a character XML cannot hold").arg(entry.french, entry.english) };
        }
        records = records || entry.hasRecord();
        ++counted;
        for (const auto& [key, id] : { std::pair<QString, QString> { QStringLiteral("fr\t") + entry.french, QStringLiteral("c%1-fr").arg(counted) },
                                       std::pair<QString, QString> { QStringLiteral("en\t") + entry.english, QStringLiteral("c%1-en").arg(counted) } }) {
            if (!sections.contains(key))
                sections.insert(key, id);
        }
    }
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    // The TBX-Basic dialect's own schemas, for tools that validate.
    xml.writeProcessingInstruction(QStringLiteral("xml-model"),
                                   QStringLiteral("href=\"https://raw.githubusercontent.com/LTAC-Global/TBX-Basic_dialect/master/DCA/"
                                                  "TBXcoreStructV03_TBX-Basic_integrated.rng\" type=\"application/xml\" "
                                                  "schematypens=\"http://relaxng.org/ns/structure/1.0\""));
    xml.writeProcessingInstruction(QStringLiteral("xml-model"),
                                   QStringLiteral("href=\"https://raw.githubusercontent.com/LTAC-Global/TBX-Basic_dialect/master/DCA/"
                                                  "TBX-Basic_DCA.sch\" type=\"application/xml\" schematypens=\"http://purl.oclc.org/dsdl/schematron\""));
    xml.writeStartElement(QStringLiteral("tbx"));
    xml.writeDefaultNamespace(QLatin1StringView(tbxNamespace));
    if (records)
        xml.writeNamespace(QLatin1StringView(recordNamespace), QStringLiteral("ev"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("TBX-Basic"));
    xml.writeAttribute(QStringLiteral("style"), QStringLiteral("dca"));
    xml.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("fr"));
    xml.writeStartElement(QStringLiteral("tbxHeader"));
    xml.writeStartElement(QStringLiteral("fileDesc"));
    xml.writeStartElement(QStringLiteral("sourceDesc"));
    xml.writeTextElement(QStringLiteral("p"), title);
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("text"));
    xml.writeStartElement(QStringLiteral("body"));
    const auto typed = [&xml](const QString& element, const QString& type, const QString& text) {
        xml.writeStartElement(element);
        xml.writeAttribute(QStringLiteral("type"), type);
        xml.writeCharacters(text);
        xml.writeEndElement();
    };
    const auto termSection = [&](const QString& language, const QString& term, const QString& note, const TermRecord::Side& record, const QString& definition,
                                 const QString& id) {
        xml.writeStartElement(QStringLiteral("langSec"));
        xml.writeAttribute(QStringLiteral("xml:lang"), language);
        if (!definition.isEmpty())
            typed(QStringLiteral("descrip"), QStringLiteral("definition"), definition);
        for (const QString& text : record.notes)
            xml.writeTextElement(QStringLiteral("note"), text);
        // A reader that knows nothing of the mark still reads the warning as a note.
        for (const QString& text : record.warnings) {
            xml.writeStartElement(QStringLiteral("note"));
            xml.writeAttribute(QLatin1StringView(recordNamespace), QStringLiteral("kind"), QStringLiteral("warning"));
            xml.writeCharacters(text);
            xml.writeEndElement();
        }
        xml.writeStartElement(QStringLiteral("termSec"));
        if (records)
            xml.writeAttribute(QStringLiteral("id"), id);
        xml.writeTextElement(QStringLiteral("term"), term);
        const QString& pos = record.partOfSpeech;
        if (!pos.isEmpty())
            typed(QStringLiteral("termNote"), QStringLiteral("partOfSpeech"), pos == u"abbreviation" ? QStringLiteral("noun") : pos == u"phrase" ? QStringLiteral("other") : pos);
        for (const auto& [code, tbx] : genderNames()) {
            if (record.gender == code)
                typed(QStringLiteral("termNote"), QStringLiteral("grammaticalGender"), tbx);
        }
        if (record.plural)
            typed(QStringLiteral("termNote"), QStringLiteral("grammaticalNumber"), QStringLiteral("plural"));
        if (pos == u"abbreviation" || pos == u"phrase")
            typed(QStringLiteral("termNote"), QStringLiteral("termType"), pos);
        if (!note.isEmpty())
            xml.writeTextElement(QStringLiteral("note"), note);
        for (const TermRecord::Link& link : record.related) {
            xml.writeStartElement(QStringLiteral("ref"));
            xml.writeAttribute(QStringLiteral("type"), QStringLiteral("crossReference"));
            if (const auto target = sections.constFind(language + u'\t' + link.term); target != sections.cend())
                xml.writeAttribute(QStringLiteral("target"), *target);
            xml.writeAttribute(QLatin1StringView(recordNamespace), QStringLiteral("relation"), link.relation);
            xml.writeCharacters(link.term);
            xml.writeEndElement();
        }
        xml.writeEndElement();
        xml.writeEndElement();
    };
    qsizetype number = 0;
    for (const Entry& entry : entries) {
        xml.writeStartElement(QStringLiteral("conceptEntry"));
        xml.writeAttribute(QStringLiteral("id"), QStringLiteral("c%1").arg(++number));
        if (!entry.subfield.isEmpty()) {
            xml.writeStartElement(QStringLiteral("descrip"));
            xml.writeAttribute(QStringLiteral("type"), QStringLiteral("subjectField"));
            xml.writeCharacters(entry.subfield);
            xml.writeEndElement();
        }
        if (entry.direction != TermSource::Direction::Both) {
            xml.writeStartElement(QStringLiteral("admin"));
            xml.writeAttribute(QStringLiteral("type"), QStringLiteral("projectSubset"));
            xml.writeCharacters(QString::fromUtf16(entry.direction == TermSource::Direction::FrenchToEnglish ? frenchToEnglishSubset : englishToFrenchSubset));
            xml.writeEndElement();
        }
        termSection(QStringLiteral("fr"), entry.french, entry.labelFrench, entry.frenchRecord, entry.definitionFrench, QStringLiteral("c%1-fr").arg(number));
        termSection(QStringLiteral("en"), entry.english, entry.labelEnglish, entry.englishRecord, entry.definitionEnglish, QStringLiteral("c%1-en").arg(number));
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    if (xml.hasError())
        return Failure { FailureNumber::MalformedTable, QStringLiteral("the TBX text could not be written") };
    return bytes;
}

} // namespace TbxFile
