#include "termtext.h"

#include <QHash>
#include <QSet>

#include "collationcore.h"
#include "termnames.h"
#include "termrecord.h"

using namespace Qt::StringLiterals;

namespace TermText
{

namespace
{

const QString& termOf(const TermSource::Entry& entry, bool fromFrench)
{
    return fromFrench ? entry.french : entry.english;
}

// `text` broken at blanks into lines of `width` columns, the first after `first`, the others
// after as many blanks as `indent`.
QString wrapped(const QString& first, const QString& text, int indent, int width)
{
    QString out;
    QString line = first;
    const QString margin(indent, u' ');
    bool empty = true; // nothing of `text` on this line yet
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!empty && line.size() + 1 + word.size() > width) {
            out += line + u'\n';
            line = margin;
            empty = true;
        }
        line += (empty ? QString() : u" "_s) + word;
        empty = false;
    }
    return out + line + u'\n';
}

QString oneLine(QString text)
{
    text.replace(u'\n', u' ').replace(u'\r', u' ').replace(u'\t', u' ');
    return text;
}

} // namespace

QList<Headword> headwords(const QList<TermSource::Entry>& entries, bool fromFrench)
{
    QList<Headword> list;
    QHash<QString, qsizetype> at;
    for (const TermSource::Entry& entry : entries) {
        if (fromFrench ? !entry.inFrenchToEnglish() : !entry.inEnglishToFrench())
            continue;
        const QString& term = termOf(entry, fromFrench);
        auto found = at.constFind(term);
        if (found == at.cend()) {
            found = at.insert(term, list.size());
            list.append(Headword { .term = term, .senses = {} });
        }
        list[*found].senses.append(entry);
    }
    return list;
}

QString text(const Headword& headword, bool fromFrench, int width)
{
    const bool fr = fromFrench;
    QString out;
    // Notes, warnings and links belong to the term, so each sense may carry the same: each is
    // written once, after the senses.
    QStringList warnings, notes;
    QList<TermRecord::Link> related;
    const bool numbered = headword.senses.size() > 1;
    for (qsizetype i = 0; i < headword.senses.size(); ++i) {
        const TermSource::Entry& sense = headword.senses[i];
        const TermRecord::Side& term = fr ? sense.frenchRecord : sense.englishRecord;
        const TermRecord::Side& translation = fr ? sense.englishRecord : sense.frenchRecord;
        const QString number = numbered ? QString::number(i + 1) + u". "_s : QString();
        // "1. n.f. : anguish (existentialism), n. — psychologie clinique"
        QString line;
        if (const QString g = TermNames::grammar(term, fr); !g.isEmpty())
            line += g + (fr ? u" : "_s : u": "_s);
        line += fr ? sense.shownEnglish() : sense.shownFrench();
        if (const QString g = TermNames::grammar(translation, fr); !g.isEmpty())
            line += u", "_s + g;
        if (!sense.subfield.isEmpty())
            line += u" — "_s + TermNames::subfieldName(sense.subfield, fr);
        const int indent = int(2 + number.size());
        out += wrapped(u"  "_s + number, oneLine(line), indent, width);
        const QString& own = fr ? sense.definitionFrench : sense.definitionEnglish;
        const QString& other = fr ? sense.definitionEnglish : sense.definitionFrench;
        const QString margin(indent + 2, u' ');
        if (!own.isEmpty())
            out += wrapped(margin, oneLine(own), indent + 2, width);
        if (!other.isEmpty())
            out += wrapped(margin + (fr ? u"En anglais : "_s : u"In French: "_s), oneLine(other), indent + 2, width);
        for (const QString& warning : term.warnings) {
            if (!warnings.contains(warning))
                warnings << warning;
        }
        for (const QString& note : term.notes) {
            if (!notes.contains(note))
                notes << note;
        }
        for (const TermRecord::Link& link : term.related) {
            if (!related.contains(link))
                related << link;
        }
    }
    for (const QString& warning : warnings)
        out += wrapped(fr ? u"  Attention, faux ami : "_s : u"  Warning, false friend: "_s, oneLine(warning), 4, width);
    for (const QString& note : notes)
        out += wrapped(fr ? u"  Note : "_s : u"  Note: "_s, oneLine(note), 4, width);
    for (const QString& relation : TermRecord::relations()) {
        QStringList targets;
        for (const TermRecord::Link& link : related) {
            if (link.relation == relation)
                targets << oneLine(link.term);
        }
        if (!targets.isEmpty())
            out += wrapped(u"  "_s + TermNames::relationName(relation, fr) + (fr ? u" : "_s : u": "_s),
                targets.join(u", "_s), 4, width);
    }
    return out;
}

QSet<QString> termsOf(const QList<Headword>& headwords)
{
    QSet<QString> terms;
    for (const Headword& headword : headwords)
        terms.insert(headword.term);
    return terms;
}

QStringList alternatives(const Headword& headword, const QSet<QString>& terms, bool fromFrench)
{
    QStringList forms;
    const auto add = [&](const QString& form) {
        if (!form.isEmpty() && form != headword.term && !terms.contains(form) && !forms.contains(form))
            forms << form;
    };
    add(folded(headword.term));
    // The target of a link is the relation of the headword: its abbreviation, its variant.
    static const QStringList spellings { u"abbreviation"_s, u"spelling-variant"_s, u"former-name"_s };
    for (const TermSource::Entry& sense : headword.senses) {
        const TermRecord::Side& side = fromFrench ? sense.frenchRecord : sense.englishRecord;
        for (const TermRecord::Link& link : side.related) {
            if (spellings.contains(link.relation)) {
                add(link.term);
                add(folded(link.term));
            }
        }
    }
    return forms;
}

QString folded(const QString& term)
{
    const QByteArray utf8 = term.toUtf8();
    return QString::fromStdString(
        DictionaryCollation::foldedUtf8(std::string_view(utf8.constData(), std::size_t(utf8.size()))))
        .toLower();
}

} // namespace TermText
