#include "termrecord.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace TermRecord {
namespace {

QString compact(const QJsonArray& array)
{
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

std::optional<QJsonArray> arrayOf(const QString& text)
{
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    return document.array();
}

} // namespace

bool Side::isEmpty() const
{
    return partOfSpeech.isEmpty() && gender.isEmpty() && !plural && notes.isEmpty() && warnings.isEmpty() && related.isEmpty();
}

const QStringList& partsOfSpeech()
{
    static const QStringList names { QStringLiteral("noun"),   QStringLiteral("adjective"), QStringLiteral("verb"),
                                     QStringLiteral("adverb"), QStringLiteral("phrase"),    QStringLiteral("abbreviation") };
    return names;
}

const QStringList& genders()
{
    static const QStringList names { QStringLiteral("m"), QStringLiteral("f"), QStringLiteral("mf") };
    return names;
}

const QStringList& relations()
{
    static const QStringList names { QStringLiteral("abbreviation"), QStringLiteral("full-form"),        QStringLiteral("former-name"),
                                     QStringLiteral("current-name"), QStringLiteral("spelling-variant"), QStringLiteral("synonym"),
                                     QStringLiteral("broader"),      QStringLiteral("narrower"),         QStringLiteral("related") };
    return names;
}

QString inverseOf(const QString& relation)
{
    static const QList<std::pair<QString, QString>> pairs {
        { QStringLiteral("abbreviation"), QStringLiteral("full-form") },
        { QStringLiteral("former-name"), QStringLiteral("current-name") },
        { QStringLiteral("broader"), QStringLiteral("narrower") },
    };
    for (const auto& [one, other] : pairs) {
        if (relation == one)
            return other;
        if (relation == other)
            return one;
    }
    return relation;
}

QString grammarText(const Side& side)
{
    QStringList words;
    for (const QString* word : { &side.partOfSpeech, &side.gender }) {
        if (!word->isEmpty())
            words.append(*word);
    }
    if (side.plural)
        words.append(QStringLiteral("pl"));
    return words.join(u' ');
}

std::optional<QString> readGrammar(const QString& text, Side* side)
{
    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return std::nullopt;
    if (!partsOfSpeech().contains(words.front()))
        return QStringLiteral("part of speech \"%1\": %2 expected").arg(words.front(), partsOfSpeech().join(QStringLiteral(", ")));
    side->partOfSpeech = words.front();
    qsizetype at = 1;
    if (at < words.size() && genders().contains(words[at])) {
        if (side->partOfSpeech != u"noun" && side->partOfSpeech != u"abbreviation")
            return QStringLiteral("a gender on a %1; only nouns and abbreviations have one").arg(side->partOfSpeech);
        side->gender = words[at++];
    }
    if (at < words.size() && words[at] == u"pl") {
        side->plural = true;
        ++at;
    }
    if (at < words.size())
        return QStringLiteral("\"%1\" after the part of speech: a gender (m, f, mf) then pl expected").arg(words[at]);
    return std::nullopt;
}

QString notesText(const QStringList& notes, const QStringList& warnings)
{
    QJsonArray array = QJsonArray::fromStringList(notes);
    for (const QString& warning : warnings)
        array.append(QJsonObject { { QStringLiteral("warning"), warning } });
    return array.isEmpty() ? QString() : compact(array);
}

QString relatedText(const QList<Link>& links)
{
    if (links.isEmpty())
        return {};
    QJsonArray array;
    for (const Link& link : links)
        array.append(QJsonObject { { QStringLiteral("relation"), link.relation }, { QStringLiteral("term"), link.term } });
    return compact(array);
}

std::optional<QString> readNotes(const QString& text, QStringList* notes, QStringList* warnings)
{
    if (text.isEmpty())
        return std::nullopt;
    const auto array = arrayOf(text);
    if (!array)
        return QStringLiteral("notes that are not a JSON array of texts");
    for (const QJsonValue& value : *array) {
        const QJsonObject object = value.toObject();
        if (value.isObject() && object.size() == 1 && object.value(QStringLiteral("warning")).isString()) {
            const QString warning = object.value(QStringLiteral("warning")).toString();
            if (warning.isEmpty())
                return QStringLiteral("a warning without its text");
            (warnings ? warnings : notes)->append(warning);
            continue;
        }
        if (!value.isString() || value.toString().isEmpty())
            return QStringLiteral("a note that is neither a text nor {\"warning\": text}");
        notes->append(value.toString());
    }
    return std::nullopt;
}

std::optional<QString> readRelated(const QString& text, QList<Link>* links)
{
    if (text.isEmpty())
        return std::nullopt;
    const auto array = arrayOf(text);
    if (!array)
        return QStringLiteral("related terms that are not a JSON array of {\"relation\", \"term\"}");
    for (const QJsonValue& value : *array) {
        const QJsonObject object = value.toObject();
        const Link link { object.value(QStringLiteral("relation")).toString(), object.value(QStringLiteral("term")).toString() };
        if (!relations().contains(link.relation))
            return QStringLiteral("relation \"%1\": %2 expected").arg(link.relation, relations().join(QStringLiteral(", ")));
        if (link.term.isEmpty())
            return QStringLiteral("a related term without its term");
        links->append(link);
    }
    return std::nullopt;
}

std::optional<QString> readRow(const QString& grammar, const QString& translationGrammar, const QString& notes, const QString& related, Side* term,
                               Side* translation)
{
    std::optional<QString> problem = readGrammar(grammar, term);
    if (!problem)
        problem = readGrammar(translationGrammar, translation);
    if (!problem)
        problem = readNotes(notes, &term->notes, &term->warnings);
    if (!problem)
        problem = readRelated(related, &term->related);
    return problem;
}

} // namespace TermRecord
