#include "entrypage.h"

#include <array>

#include <QSet>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

#include "entrysenses.h"
#include "termrecord.h"

namespace EntryPage {

namespace {

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

QString named(const QString& code, bool french, std::initializer_list<std::array<const char16_t*, 3>> names)
{
    for (const auto& name : names) {
        if (code == QStringView(name[0]))
            return QString::fromUtf16(french ? name[1] : name[2]);
    }
    return code;
}

} // namespace

QString grammar(const TermRecord::Side& side, bool french)
{
    const QString& pos = side.partOfSpeech;
    if (pos.isEmpty())
        return {};
    QString text = named(pos, french,
                         { { u"noun", u"n.", u"n." },
                           { u"adjective", u"adj.", u"adj." },
                           { u"verb", u"v.", u"v." },
                           { u"adverb", u"adv.", u"adv." },
                           { u"phrase", u"loc.", u"phr." },
                           { u"abbreviation", u"abrév.", u"abbr." } });
    if (french) {
        // French dictionaries run the gender into the noun's abbreviation: n.m., n.f.
        const QString gender = side.gender == u"m" ? QStringLiteral("m.") : side.gender == u"f" ? QStringLiteral("f.") : side.gender == u"mf" ? QStringLiteral("m. et f.") : QString();
        if (!gender.isEmpty())
            text += pos == u"noun" ? gender : u' ' + gender;
        if (side.plural)
            text += QStringLiteral(" pl.");
    } else {
        QStringList spelled;
        if (!side.gender.isEmpty())
            spelled << (side.gender == u"m" ? QStringLiteral("masculine") : side.gender == u"f" ? QStringLiteral("feminine") : QStringLiteral("masculine or feminine"));
        if (side.plural)
            spelled << QStringLiteral("plural");
        if (!spelled.isEmpty())
            text += QStringLiteral(" (") + spelled.join(QStringLiteral(", ")) + u')';
    }
    return text;
}

QString subfieldName(const QString& code, bool french)
{
    return named(code, french,
                 { { u"clinical", u"psychologie clinique", u"clinical psychology" },
                   { u"biological", u"psychologie biologique", u"biological psychology" },
                   { u"cognitive", u"psychologie cognitive", u"cognitive psychology" },
                   { u"methods", u"méthodologie", u"research methods" },
                   { u"social", u"psychologie sociale", u"social psychology" },
                   { u"psychoanalysis", u"psychanalyse", u"psychoanalysis" },
                   { u"developmental", u"psychologie du développement", u"developmental psychology" },
                   { u"therapy", u"psychothérapie", u"psychotherapy" },
                   { u"learning", u"apprentissage", u"learning" },
                   { u"personality", u"personnalité", u"personality" },
                   { u"emotion", u"émotion", u"emotion" },
                   { u"perception", u"perception", u"perception" },
                   { u"work", u"psychologie du travail", u"work psychology" },
                   { u"health", u"psychologie de la santé", u"health psychology" },
                   { u"educational", u"psychologie de l'éducation", u"educational psychology" },
                   { u"forensic", u"psychologie légale", u"forensic psychology" } });
}

QString relationName(const QString& relation, bool french)
{
    return named(relation, french,
                 { { u"abbreviation", u"abréviation", u"abbreviation" },
                   { u"full-form", u"forme développée", u"full form" },
                   { u"former-name", u"ancien nom", u"former name" },
                   { u"current-name", u"nom actuel", u"current name" },
                   { u"spelling-variant", u"variante orthographique", u"spelling variant" },
                   { u"synonym", u"synonyme", u"synonym" },
                   { u"broader", u"terme générique", u"broader term" },
                   { u"narrower", u"terme spécifique", u"narrower term" },
                   { u"related", u"voir aussi", u"see also" } });
}

QString html(const QString& headword, const QList<Sense>& senses, const Options& options)
{
    const bool fr = options.french;
    QString page = QStringLiteral("<html><body>");
    if (senses.isEmpty()) {
        page += QStringLiteral("<p>") + (headword.isEmpty() ? (fr ? QStringLiteral("Aucune entrée affichée.") : QStringLiteral("No entry shown."))
                                                            : (fr ? QStringLiteral("Aucune entrée « %1 ».") : QStringLiteral("No entry “%1”.")).arg(escaped(headword)))
            + QStringLiteral("</p></body></html>");
        return page;
    }
    page += QStringLiteral("<h1>") + escaped(headword) + QStringLiteral("</h1>");
    // Notes, warnings and links belong to the headword, so every sense carries them: each is
    // shown once, with the first sense that has it.
    QSet<QString> shown;
    const auto once = [&shown](const QString& text) {
        if (shown.contains(text))
            return false;
        shown.insert(text);
        return true;
    };
    for (qsizetype i = 0; i < senses.size(); ++i) {
        const Sense& sense = senses[i];
        const std::optional<EntryRecord>& record = sense.record;
        page += QStringLiteral("<h3>");
        if (senses.size() > 1)
            page += QString::number(i + 1) + QStringLiteral(". ");
        if (record) {
            if (const QString g = grammar(record->term, fr); !g.isEmpty())
                page += QStringLiteral("<i>") + escaped(g) + QStringLiteral("</i> ");
        }
        QStringList where;
        if (!sense.label.isEmpty())
            where << escaped(sense.label);
        if (!sense.subfield.isEmpty())
            where << escaped(subfieldName(sense.subfield, fr));
        if (!where.isEmpty())
            page += QStringLiteral("<small>[") + where.join(QStringLiteral(" — ")) + QStringLiteral("]</small>");
        page += QStringLiteral("</h3><p><b>") + escaped(sense.translation) + QStringLiteral("</b>");
        if (record) {
            if (const QString g = grammar(record->translation, fr); !g.isEmpty())
                page += QStringLiteral(" <i>") + escaped(g) + QStringLiteral("</i>");
        }
        page += QStringLiteral(" &nbsp;<a href=\"copy:%1\">%2</a></p>").arg(i).arg(fr ? QStringLiteral("Copier la traduction") : QStringLiteral("Copy the translation"));
        if (!record)
            continue;
        for (const QString& warning : record->term.warnings) {
            if (!once(u"w\t"_s + warning))
                continue;
            page += QStringLiteral("<table width=\"100%\" border=\"1\" cellpadding=\"6\" cellspacing=\"0\"><tr><td><b>")
                + (fr ? QStringLiteral("⚠ Attention, faux ami :") : QStringLiteral("⚠ Warning, false friend:")) + QStringLiteral("</b> ") + escaped(warning)
                + QStringLiteral("</td></tr></table>");
        }
        // The window's language first; the other one a key away.
        const bool frenchDefinition = fr != options.otherDefinition;
        const QString& definition = frenchDefinition ? record->definitionFrench : record->definitionEnglish;
        if (!definition.isEmpty()) {
            const QString language = frenchDefinition ? (fr ? QStringLiteral("Définition") : QStringLiteral("Definition (French)"))
                                                      : (fr ? QStringLiteral("Définition (anglais)") : QStringLiteral("Definition"));
            page += QStringLiteral("<p><b>") + language + (fr ? QStringLiteral(" :") : QStringLiteral(":")) + QStringLiteral("</b> ") + escaped(definition) + QStringLiteral("</p>");
        }
        for (const QString& note : record->term.notes) {
            if (!once(u"n\t"_s + note))
                continue;
            page += QStringLiteral("<p><b>") + (fr ? QStringLiteral("Note :") : QStringLiteral("Note:")) + QStringLiteral("</b> ") + escaped(note) + QStringLiteral("</p>");
        }
        // One line a relation, in the records' own order of relations.
        for (const QString& relation : TermRecord::relations()) {
            QStringList targets;
            for (const TermRecord::Link& link : record->term.related) {
                if (link.relation == relation)
                    targets << QStringLiteral("<a href=\"term:") + escaped(QString::fromLatin1(QUrl::toPercentEncoding(link.term))) + QStringLiteral("\">")
                            + escaped(link.term) + QStringLiteral("</a>");
            }
            if (!targets.isEmpty() && once(u"r\t"_s + relation + u'\t' + targets.join(u'\t')))
                page += QStringLiteral("<p>") + escaped(relationName(relation, fr)) + (fr ? QStringLiteral(" : ") : QStringLiteral(": ")) + targets.join(QStringLiteral(", "))
                    + QStringLiteral("</p>");
        }
    }
    return page + QStringLiteral("</body></html>");
}

} // namespace EntryPage
