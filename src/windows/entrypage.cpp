#include "entrypage.h"

#include <QSet>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

#include "entrysenses.h"
#include "termnames.h"
#include "termrecord.h"

namespace EntryPage {

namespace {

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

} // namespace

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
            if (const QString g = TermNames::grammar(record->term, fr); !g.isEmpty())
                page += QStringLiteral("<i>") + escaped(g) + QStringLiteral("</i> ");
        }
        QStringList where;
        if (!sense.label.isEmpty())
            where << escaped(sense.label);
        if (!sense.subfield.isEmpty())
            where << escaped(TermNames::subfieldName(sense.subfield, fr));
        if (!where.isEmpty())
            page += QStringLiteral("<small>[") + where.join(QStringLiteral(" — ")) + QStringLiteral("]</small>");
        page += QStringLiteral("</h3><p><b>") + escaped(sense.translation) + QStringLiteral("</b>");
        if (record) {
            if (const QString g = TermNames::grammar(record->translation, fr); !g.isEmpty())
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
                page += QStringLiteral("<p>") + escaped(TermNames::relationName(relation, fr)) + (fr ? QStringLiteral(" : ") : QStringLiteral(": ")) + targets.join(QStringLiteral(", "))
                    + QStringLiteral("</p>");
        }
    }
    return page + QStringLiteral("</body></html>");
}

} // namespace EntryPage
