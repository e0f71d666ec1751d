#include "termlint.h"

#include <algorithm>

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include "dictionarycollation.h"

using namespace Qt::StringLiterals;

namespace {

QString pairText(const TermSource::Entry& entry)
{
    return entry.french + QStringLiteral(" / ") + entry.english;
}

// British words whose American form a list may never show beside them.
const QHash<QString, QString>& britishWords()
{
    static const QHash<QString, QString> words {
        { QStringLiteral("behaviour"), QStringLiteral("behavior") },   { QStringLiteral("behavioural"), QStringLiteral("behavioral") },
        { QStringLiteral("colour"), QStringLiteral("color") },         { QStringLiteral("centre"), QStringLiteral("center") },
        { QStringLiteral("centred"), QStringLiteral("centered") },
        { QStringLiteral("defence"), QStringLiteral("defense") },      { QStringLiteral("programme"), QStringLiteral("program") },
        { QStringLiteral("grey"), QStringLiteral("gray") },            { QStringLiteral("ageing"), QStringLiteral("aging") },
        { QStringLiteral("judgement"), QStringLiteral("judgment") },   { QStringLiteral("paediatric"), QStringLiteral("pediatric") },
        { QStringLiteral("oestrogen"), QStringLiteral("estrogen") },   { QStringLiteral("foetus"), QStringLiteral("fetus") },
        { QStringLiteral("foetal"), QStringLiteral("fetal") },         { QStringLiteral("anaesthesia"), QStringLiteral("anesthesia") },
        { QStringLiteral("haemorrhage"), QStringLiteral("hemorrhage") }, { QStringLiteral("oedema"), QStringLiteral("edema") },
        { QStringLiteral("tumour"), QStringLiteral("tumor") },         { QStringLiteral("labour"), QStringLiteral("labor") },
        { QStringLiteral("counselling"), QStringLiteral("counseling") }, { QStringLiteral("modelling"), QStringLiteral("modeling") },
        { QStringLiteral("labelling"), QStringLiteral("labeling") },   { QStringLiteral("organisation"), QStringLiteral("organization") },
        { QStringLiteral("organisational"), QStringLiteral("organizational") }, { QStringLiteral("analyse"), QStringLiteral("analyze") },
        { QStringLiteral("sceptical"), QStringLiteral("skeptical") },  { QStringLiteral("mould"), QStringLiteral("mold") },
    };
    return words;
}

// The American forms a British word may have, by the usual spelling rules.
QStringList americanCandidates(const QString& word)
{
    static const QList<std::pair<QRegularExpression, QString>> rules {
        { QRegularExpression(QStringLiteral("our(|s|ed|ing|able|ful|al|ally|ism|ist|ite|ites|less)$")), QStringLiteral("or\\1") },
        { QRegularExpression(QStringLiteral("is(e|ed|es|ing|er|ers|ation|ations|ational)$")), QStringLiteral("iz\\1") },
        { QRegularExpression(QStringLiteral("ys(e|ed|es|ing)$")), QStringLiteral("yz\\1") },
        { QRegularExpression(QStringLiteral("ae")), QStringLiteral("e") },
        { QRegularExpression(QStringLiteral("oe")), QStringLiteral("e") },
        { QRegularExpression(QStringLiteral("tr(e|es|ed)$")), QStringLiteral("ter\\1") },
        { QRegularExpression(QStringLiteral("ogue(s?)$")), QStringLiteral("og\\1") },
        { QRegularExpression(QStringLiteral("ence(s?)$")), QStringLiteral("ense\\1") },
        { QRegularExpression(QStringLiteral("ll(ed|ing|er|ers|or|ors)$")), QStringLiteral("l\\1") },
    };
    // Words the first rule would turn into another word of the list.
    static const QSet<QString> notBritish { QStringLiteral("four"), QStringLiteral("our"), QStringLiteral("ours") };
    QStringList candidates;
    if (notBritish.contains(word))
        return candidates;
    for (const auto& [pattern, replacement] : rules) {
        QString american = word;
        american.replace(pattern, replacement);
        if (american != word)
            candidates.append(american);
    }
    return candidates;
}

QStringList wordsOf(const QString& text)
{
    static const QRegularExpression separators(QStringLiteral("[^\\p{L}]+"));
    return text.toLower().split(separators, Qt::SkipEmptyParts);
}

int letterIndex(const QString& term)
{
    const QString folded = DictionaryCollation::folded(term);
    if (folded.isEmpty() || folded.front() < u'a' || folded.front() > u'z')
        return 26;
    return folded.front().unicode() - u'a';
}

} // namespace

TermLint TermLint::of(const QList<TermSource::Entry>& entries)
{
    TermLint lint;
    QHash<QString, int> exact;
    QHash<QString, int> folded;
    QSet<QString> americanWords;
    // The first French entry each English word leads to, in the English table's order.
    QMap<QString, QList<const TermSource::Entry*>> englishEntries;
    QMap<QString, QList<const TermSource::Entry*>> frenchEntries;
    for (const TermSource::Entry& entry : entries) {
        const QString key = entry.french + u'\t' + entry.english;
        const QString foldedKey = DictionaryCollation::folded(entry.french) + u'\t' + DictionaryCollation::folded(entry.english);
        if (exact.contains(key))
            lint.errors.append(QStringLiteral("line %1: repeats line %2: %3").arg(entry.line).arg(exact[key]).arg(pairText(entry)));
        else if (folded.contains(foldedKey))
            lint.errors.append(QStringLiteral("line %1: repeats line %2 but for case or accents: %3").arg(entry.line).arg(folded[foldedKey]).arg(pairText(entry)));
        exact.insert(key, exact.value(key, entry.line));
        folded.insert(foldedKey, folded.value(foldedKey, entry.line));
        if (entry.subfield.isEmpty())
            lint.errors.append(QStringLiteral("line %1: no subfield: %2").arg(entry.line).arg(pairText(entry)));
        else if (!TermSource::subfields().contains(entry.subfield))
            lint.errors.append(QStringLiteral("line %1: unknown subfield \"%2\": %3").arg(entry.line).arg(entry.subfield, pairText(entry)));
        if (entry.french == entry.english)
            ++lint.identical;
        if (entry.inFrenchToEnglish()) {
            ++lint.frenchToEnglish;
            ++lint.perSubfield[entry.subfield];
            ++lint.frenchLetters[static_cast<std::size_t>(letterIndex(entry.french))];
            frenchEntries[entry.french].append(&entry);
            for (const QString& word : wordsOf(entry.english))
                americanWords.insert(word);
        }
        if (entry.inEnglishToFrench()) {
            ++lint.englishToFrench;
            ++lint.englishLetters[static_cast<std::size_t>(letterIndex(entry.english))];
            englishEntries[entry.english].append(&entry);
        }
    }

    // The spelling rule: British forms only in English-to-French entries.
    const auto britishIn = [&](const QString& english) {
        QStringList found;
        for (const QString& word : wordsOf(english)) {
            if (britishWords().contains(word)) {
                found.append(word + QStringLiteral(" (") + britishWords()[word] + u')');
                continue;
            }
            for (const QString& american : americanCandidates(word)) {
                if (americanWords.contains(american)) {
                    found.append(word + QStringLiteral(" (") + american + u')');
                    break;
                }
            }
        }
        return found;
    };
    for (const TermSource::Entry& entry : entries) {
        const QStringList british = britishIn(entry.english);
        if (british.isEmpty())
            continue;
        if (entry.inFrenchToEnglish()) {
            lint.spelling.append(QStringLiteral("line %1: British spelling where both tables read it: %2 — %3").arg(entry.line).arg(pairText(entry), british.join(u", ")));
            continue;
        }
        // A British entry leads to the French its American form leads to.
        bool matched = false;
        for (const TermSource::Entry* other : frenchEntries.value(entry.french))
            matched = matched || britishIn(other->english).isEmpty();
        if (!matched)
            lint.spelling.append(QStringLiteral("line %1: British entry whose French has no American entry: %2").arg(entry.line).arg(pairText(entry)));
    }

    const auto unlabelled = [&lint](const QMap<QString, QList<const TermSource::Entry*>>& byHeadword, bool french) {
        for (auto it = byHeadword.cbegin(); it != byHeadword.cend(); ++it) {
            if (it.value().size() < 2)
                continue;
            // One main translation may stand without a label; two cannot be told apart.
            QStringList translations;
            int missing = 0;
            for (const TermSource::Entry* entry : it.value()) {
                translations.append(french ? entry->shownEnglish() : entry->shownFrench());
                missing += (french ? entry->labelEnglish : entry->labelFrench).isEmpty() ? 1 : 0;
            }
            if (missing > 1)
                lint.unlabelledSenses.append(QStringLiteral("%1 (%2): %3").arg(it.key(), french ? QStringLiteral("fr") : QStringLiteral("en"), translations.join(u"; ")));
        }
    };
    unlabelled(frenchEntries, true);
    unlabelled(englishEntries, false);

    // Where a French term's English leads back, as the English window would search it: the
    // first entry of that English in the English table's order (the unlabelled one, then by
    // French, as the tables are built).
    for (auto it = frenchEntries.cbegin(); it != frenchEntries.cend(); ++it) {
        for (const TermSource::Entry* entry : it.value()) {
            // A variant leads to its main term by design; a labelled sense is a known split.
            if (entry->direction != TermSource::Direction::Both || !entry->labelEnglish.isEmpty())
                continue;
            const auto back = englishEntries.value(entry->english);
            if (back.isEmpty())
                continue;
            const TermSource::Entry* first = *std::min_element(back.cbegin(), back.cend(), [](const TermSource::Entry* a, const TermSource::Entry* b) {
                if (a->labelFrench.isEmpty() != b->labelFrench.isEmpty())
                    return a->labelFrench.isEmpty();
                return DictionaryCollation::compare(a->shownFrench(), b->shownFrench()) < 0;
            });
            if (first->french != entry->french)
                lint.roundTrips.append(QStringLiteral("%1 → %2 → %3").arg(entry->french, entry->english, first->shownFrench()));
        }
    }
    return lint;
}

const QStringList& TermLint::definedSubfields()
{
    static const QStringList names { QStringLiteral("clinical"), QStringLiteral("methods") };
    return names;
}

TermLint TermLint::of(const TermRecords::Source& source)
{
    TermLint lint = of(source.entries);
    Records& counts = lint.records;
    counts.present = !source.files.isEmpty()
        || std::any_of(source.entries.begin(), source.entries.end(), [](const TermSource::Entry& entry) { return entry.hasRecord(); });
    if (!counts.present)
        return lint;
    constexpr int maxDefinitionWords = 45;
    // The terms each table looks up, and the record each carries (the first entry's).
    QMap<QString, const TermSource::Entry*> french;
    QMap<QString, const TermSource::Entry*> english;
    QSet<QString> frenchHeadwords;
    QSet<QString> englishHeadwords;
    QHash<QString, QString> definitionOf; // text to the pair first defined with it
    for (const TermSource::Entry& entry : source.entries) {
        french.insert(entry.french, french.value(entry.french, &entry));
        english.insert(entry.english, english.value(entry.english, &entry));
        if (entry.inFrenchToEnglish())
            frenchHeadwords.insert(entry.french);
        if (entry.inEnglishToFrench())
            englishHeadwords.insert(entry.english);
        const bool required = entry.inFrenchToEnglish() && definedSubfields().contains(entry.subfield);
        counts.required += required ? 1 : 0;
        if (entry.definitionFrench.isEmpty() || entry.definitionEnglish.isEmpty()) {
            if (required)
                lint.errors.append(QStringLiteral("line %1: no definition, which %2 pairs need: %3").arg(entry.line).arg(entry.subfield, pairText(entry)));
            continue;
        }
        ++counts.definitions;
        counts.requiredDefined += required ? 1 : 0;
        for (const QString* text : { &entry.definitionFrench, &entry.definitionEnglish }) {
            const qsizetype words = text->split(u' ', Qt::SkipEmptyParts).size();
            if (words > maxDefinitionWords)
                lint.errors.append(QStringLiteral("line %1: a definition of %2 words, more than %3: %4").arg(entry.line).arg(words).arg(maxDefinitionWords).arg(pairText(entry)));
            const auto first = definitionOf.constFind(*text);
            if (first != definitionOf.cend())
                lint.errors.append(QStringLiteral("line %1: the definition of %2 repeats that of %3").arg(entry.line).arg(pairText(entry), *first));
            else
                definitionOf.insert(*text, pairText(entry));
        }
    }
    for (const auto& [terms, isFrench] : { std::pair { &french, true }, std::pair { &english, false } }) {
        for (auto it = terms->cbegin(); it != terms->cend(); ++it) {
            const TermRecord::Side& side = isFrench ? it.value()->frenchRecord : it.value()->englishRecord;
            (isFrench ? counts.frenchTerms : counts.englishTerms) += 1;
            if (side.partOfSpeech.isEmpty()) {
                lint.errors.append(QStringLiteral("no part of speech for the %1 term %2").arg(isFrench ? QStringLiteral("French") : QStringLiteral("English"), it.key()));
                continue;
            }
            (isFrench ? counts.frenchWithPartOfSpeech : counts.englishWithPartOfSpeech) += 1;
            if (isFrench && side.partOfSpeech == u"noun") {
                ++counts.frenchNouns;
                if (side.gender.isEmpty())
                    lint.errors.append(QStringLiteral("no gender for the French noun %1").arg(it.key()));
                else
                    ++counts.frenchNounsWithGender;
            }
            if (!isFrench && !side.gender.isEmpty())
                lint.errors.append(QStringLiteral("a gender on the English term %1").arg(it.key()));
            const QSet<QString>& headwords = isFrench ? frenchHeadwords : englishHeadwords;
            const QString table = isFrench ? QStringLiteral("French-to-English") : QStringLiteral("English-to-French");
            // Only a headword's record reaches its table; a target must be one to be looked up.
            if ((!side.notes.isEmpty() || !side.warnings.isEmpty() || !side.related.isEmpty()) && !headwords.contains(it.key()))
                lint.errors.append(QStringLiteral("notes or related terms on %1, which is no headword of the %2 table").arg(it.key(), table));
            for (const TermRecord::Link& link : side.related) {
                ++counts.linksByRelation[link.relation];
                if (!headwords.contains(link.term))
                    lint.errors.append(QStringLiteral("%1 links to %2, which is no headword of the %3 table").arg(it.key(), link.term, table));
            }
        }
    }
    for (const TermRecords::Note& note : source.notes) {
        ++counts.notesByKind[note.kind];
        if (note.kind == u"false-friend" && (note.lookAlike.isEmpty() || !note.text.contains(note.lookAlike, Qt::CaseInsensitive)))
            lint.errors.append(QStringLiteral("notes line %1: a warning on %2 that does not name its look-alike word").arg(note.line).arg(note.term));
    }
    counts.statedLinks = source.statedLinks;
    QHash<QString, int> labelled;
    for (const TermSource::Entry& entry : source.entries) {
        if (entry.inFrenchToEnglish() && !entry.labelEnglish.isEmpty())
            ++labelled[u"fr\t"_s + entry.french];
        if (entry.inEnglishToFrench() && !entry.labelFrench.isEmpty())
            ++labelled[u"en\t"_s + entry.english];
    }
    for (auto it = labelled.cbegin(); it != labelled.cend(); ++it)
        counts.sensesLabelled += it.value() > 0 ? 1 : 0;
    return lint;
}

QString TermLint::report() const
{
    QString text;
    const auto section = [&text](const QString& title, const QStringList& lines) {
        text += title + QStringLiteral(": ") + QString::number(lines.size()) + u'\n';
        for (const QString& line : lines)
            text += QStringLiteral("  ") + line + u'\n';
    };
    text += QStringLiteral("%1 French-to-English entries, %2 English-to-French entries\n").arg(frenchToEnglish).arg(englishToFrench);
    section(QStringLiteral("errors"), errors);
    section(QStringLiteral("spelling outside the rule (American in both tables, British only leading to the same French)"), spelling);
    section(QStringLiteral("headwords with several translations, two or more of them without a label"), unlabelledSenses);
    section(QStringLiteral("French terms whose English leads back to another French entry first"), roundTrips);
    text += QStringLiteral("pairs written the same in both languages: %1\n").arg(identical);
    if (records.present) {
        text += QStringLiteral("records:\n");
        text += QStringLiteral("  French terms with a part of speech: %1 of %2; French nouns with a gender: %3 of %4\n")
                    .arg(records.frenchWithPartOfSpeech).arg(records.frenchTerms).arg(records.frenchNounsWithGender).arg(records.frenchNouns);
        text += QStringLiteral("  English terms with a part of speech: %1 of %2\n").arg(records.englishWithPartOfSpeech).arg(records.englishTerms);
        text += QStringLiteral("  pairs defined in both languages: %1 (of the %2 pairs of %3 read French to English: %4)\n")
                    .arg(records.definitions).arg(records.required).arg(definedSubfields().join(QStringLiteral(", "))).arg(records.requiredDefined);
        text += QStringLiteral("  notes:");
        for (auto it = records.notesByKind.cbegin(); it != records.notesByKind.cend(); ++it)
            text += QStringLiteral(" %1 %2").arg(it.key()).arg(it.value());
        text += QStringLiteral("\n  links stated: %1; on headwords, with their inverses:").arg(records.statedLinks);
        for (auto it = records.linksByRelation.cbegin(); it != records.linksByRelation.cend(); ++it)
            text += QStringLiteral(" %1 %2").arg(it.key()).arg(it.value());
        text += QStringLiteral("\n  headwords with labelled senses: %1\n").arg(records.sensesLabelled);
    }
    text += QStringLiteral("French-to-English entries by subfield:\n");
    for (auto it = perSubfield.cbegin(); it != perSubfield.cend(); ++it)
        text += QStringLiteral("  %1 %2\n").arg(it.key().isEmpty() ? QStringLiteral("(none)") : it.key()).arg(it.value());
    for (const auto& [title, letters] : { std::pair { QStringLiteral("French-to-English"), frenchLetters }, std::pair { QStringLiteral("English-to-French"), englishLetters } }) {
        text += title + QStringLiteral(" headwords by letter:");
        for (int i = 0; i < 27; ++i)
            text += u' ' + (i < 26 ? QString(QChar(u'A' + i)) : QStringLiteral("other")) + u' ' + QString::number(letters[static_cast<std::size_t>(i)]);
        text += u'\n';
    }
    return text;
}
