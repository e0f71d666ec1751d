#pragma once

#include <array>

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include "termrecords.h"
#include "termsource.h"

// What a careful editor checks in a term source before it becomes the tables: repeats, entries
// without a subfield, the spelling rule (American in the pairs both tables read, British only
// as English-to-French entries leading to the same French), unlabelled senses, and where a
// word leads when looked up the other way round.
struct TermLint final {
    // Faults that stop a source from being bundled: each names its line.
    QStringList errors;
    // Worth an editor's look, not faults in themselves.
    QStringList spelling;        // British forms outside the rule, British entries without their American one
    QStringList unlabelledSenses; // a headword with several translations, two or more without a label
    QStringList roundTrips;      // F → E, and E's first French entry is not F
    int identical = 0;           // pairs written the same in both languages (cognates)
    int frenchToEnglish = 0;
    int englishToFrench = 0;
    QMap<QString, int> perSubfield; // French-to-English entries per subfield
    std::array<int, 27> frenchLetters {}; // French-to-English headwords by folded first letter; 26: others
    std::array<int, 27> englishLetters {};

    // What the records hold, counted where an editor looks for them.
    struct Records final {
        bool present = false;
        int frenchTerms = 0, frenchWithPartOfSpeech = 0, frenchNouns = 0, frenchNounsWithGender = 0;
        int englishTerms = 0, englishWithPartOfSpeech = 0;
        int definitions = 0;      // pairs defined in both languages
        int requiredDefined = 0;  // of the pairs whose subfield requires a definition
        int required = 0;
        QMap<QString, int> notesByKind;
        int statedLinks = 0;
        QMap<QString, int> linksByRelation; // stated and derived, on headwords
        int sensesLabelled = 0; // headwords of either table whose translations each have a label, but one
    } records;

    // The subfields where every pair read French to English needs its definition.
    static const QStringList& definedSubfields();

    static TermLint of(const QList<TermSource::Entry>& entries);
    // With the records beside a tab-separated source: each is checked and counted too.
    static TermLint of(const TermRecords::Source& source);
    QString report() const;
};
