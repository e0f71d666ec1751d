// The term source the tables are built from, and the editor's checks of it.
#include <QTest>

#include "termlint.h"
#include "termsource.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QList<TermSource::Entry> parsed(const QString& text)
{
    auto entries = TermSource::parse(text, u"terms.tsv"_s);
    if (!entries)
        qFatal("%s", qPrintable(entries.failure().description));
    return *entries;
}

const QString header = u"Frensh\tEnglish\tDirection\tSubfield\tLabelEn\tLabelFr\n"_s;

} // namespace

class TestTermLint : public QObject {
    Q_OBJECT

private slots:
    void sourceColumns();
    void sourceFaults_data();
    void sourceFaults();
    void repeatsAndSubfields();
    void spellingRule();
    void sensesAndRoundTrips();
    void counts();
};

void TestTermLint::sourceColumns()
{
    // Two columns, as a user's own list may have them: every pair goes both ways.
    const auto plain = parsed(u"Frensh\tEnglish\r\npeur\t fear \r\n\r\n"_s);
    QCOMPARE(plain.size(), 1);
    QCOMPARE(plain[0].english, u"fear"_s);
    QVERIFY(plain[0].inFrenchToEnglish() && plain[0].inEnglishToFrench());
    QCOMPARE(plain[0].line, 2);

    // Any order of the columns; the labels follow the translation each table shows.
    const auto full = parsed(u"Subfield\tLabelFr\tEnglish\tLabelEn\tDirection\tFrensh\n"
                             "psychoanalysis\tpsychanalyse\tdisavowal\tpsychoanalysis\tboth\tdéni\n"
                             "therapy\t\tbehaviour therapy\t\ten\tthérapie comportementale\n"
                             "clinical\t\tbasal ganglia\t\tfr\tganglions de la base\n"_s);
    QCOMPARE(full[0].shownEnglish(), u"disavowal (psychoanalysis)"_s);
    QCOMPARE(full[0].shownFrench(), u"déni (psychanalyse)"_s);
    QVERIFY(!full[1].inFrenchToEnglish() && full[1].inEnglishToFrench());
    QVERIFY(full[2].inFrenchToEnglish() && !full[2].inEnglishToFrench());
    QCOMPARE(full[2].shownEnglish(), u"basal ganglia"_s); // no label, no parentheses

    // The French column spelt as everyone spells it, as in every other kind of source.
    const auto french = parsed(u"French\tEnglish\npeur\tfear\n"_s);
    QCOMPARE(french.size(), 1);
    QCOMPARE(french[0].french, u"peur"_s);
}

void TestTermLint::sourceFaults_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no header") << QString() << u"terms.tsv line 1: a header line"_s;
    QTest::newRow("no French column") << u"Français\tEnglish\n"_s << u"terms.tsv line 1: the header line names no Frensh column"_s;
    QTest::newRow("French twice") << u"French\tEnglish\tFrensh\n"_s << u"terms.tsv line 1: the column \"Frensh\" is named twice"_s;
    QTest::newRow("unknown column") << u"Frensh\tEnglish\tNote\n"_s << u"terms.tsv line 1: unknown column \"Note\""_s;
    QTest::newRow("field missing") << header + u"peur\tfear\tboth\tclinical\t\n"_s << u"terms.tsv line 2: 5 fields, 6 expected"_s;
    QTest::newRow("empty term") << header + u"peur\t \tboth\tclinical\t\t\n"_s << u"terms.tsv line 2: a French term, a tab and an English term expected"_s;
    QTest::newRow("direction") << header + u"peur\tfear\tfr-en\tclinical\t\t\n"_s << u"terms.tsv line 2: direction \"fr-en\": both, fr or en expected"_s;
    QTest::newRow("parenthesis in a label") << header + u"déni\tdenial\tboth\tclinical\t(clinical)\tclinique\n"_s
                                            << u"terms.tsv line 2: the label \"(clinical)\" holds a parenthesis"_s;
}

void TestTermLint::sourceFaults()
{
    QFETCH(QString, text);
    QFETCH(QString, reason);
    const auto entries = TermSource::parse(text, u"terms.tsv"_s);
    QVERIFY(!entries);
    QCOMPARE(entries.failure().number, int(FailureNumber::MalformedTable));
    QVERIFY2(entries.failure().description.startsWith(reason), qPrintable(entries.failure().description));
}

void TestTermLint::repeatsAndSubfields()
{
    const TermLint lint = TermLint::of(parsed(header + u"anxiété\tanxiety\tboth\tclinical\t\t\n"
                                                       "anxiété\tanxiety\ten\temotion\t\t\n"
                                                       "Anxiete\tAnxiety\tboth\tclinical\t\t\n"
                                                       "peur\tfear\tboth\t\t\t\n"
                                                       "joie\tjoy\tboth\tfeelings\t\t\n"
                                                       "anxiété\tanxiousness\tboth\tclinical\t\t\n"_s));
    QCOMPARE(lint.errors, (QStringList { u"line 3: repeats line 2: anxiété / anxiety"_s,
                                         u"line 4: repeats line 2 but for case or accents: Anxiete / Anxiety"_s,
                                         u"line 5: no subfield: peur / fear"_s,
                                         u"line 6: unknown subfield \"feelings\": joie / joy"_s }));
}

void TestTermLint::spellingRule()
{
    const TermLint lint = TermLint::of(parsed(header + u"thérapie comportementale\tbehavior therapy\tboth\ttherapy\t\t\n"
                                                       "thérapie comportementale\tbehaviour therapy\ten\ttherapy\t\t\n"
                                                       "psychologie organisationnelle\torganizational psychology\tboth\twork\t\t\n"
                                                       "culture organisationnelle\torganisational culture\tboth\twork\t\t\n"
                                                       "couleur\tcolour vision\tboth\tperception\t\t\n"
                                                       "analyse fonctionnelle\tfunctional analysis\tboth\tlearning\t\t\n"
                                                       "deuil\tmourning\tboth\tclinical\t\t\n"
                                                       "matin\tmorning\tboth\tbiological\t\t\n"
                                                       "tâche des quatre cartes\tfour-card problem\tboth\tcognitive\t\t\n"
                                                       "besoin de\tneed for\tboth\temotion\t\t\n"
                                                       "soin centré\tpatient-centred care\ten\thealth\t\t\n"_s));
    // A British form where both tables read it, found by the rules (organisational, as the
    // list spells organizational elsewhere) or by the list of common words (colour).
    QCOMPARE(lint.spelling, (QStringList { u"line 5: British spelling where both tables read it: culture organisationnelle / organisational culture — organisational (organizational)"_s,
                                           u"line 6: British spelling where both tables read it: couleur / colour vision — colour (color)"_s,
                                           u"line 12: British entry whose French has no American entry: soin centré / patient-centred care"_s }));
}

void TestTermLint::sensesAndRoundTrips()
{
    const TermLint lint = TermLint::of(parsed(header + u"sevrage\tweaning\tboth\tdevelopmental\tinfant\tnourrisson\n"
                                                       "sevrage\twithdrawal\tboth\tbiological\tdrugs\tdrogues\n"
                                                       "angoisse\tanxiety\tboth\tclinical\t\t\n"
                                                       "anxiété\tanxiety\tboth\tclinical\t\t\n"
                                                       "noyaux gris centraux\tbasal ganglia\tboth\tbiological\t\t\n"
                                                       "ganglions de la base\tbasal ganglia\tfr\tbiological\t\t\n"_s));
    // Labelled senses and a French variant are as they should be; two unlabelled French for
    // one English are not, and the English window lands on the first of them.
    QCOMPARE(lint.unlabelledSenses, QStringList { u"anxiety (en): angoisse; anxiété"_s });
    QCOMPARE(lint.roundTrips, QStringList { u"anxiété → anxiety → angoisse"_s });
}

void TestTermLint::counts()
{
    const TermLint lint = TermLint::of(parsed(header + u"affect\taffect\tboth\temotion\t\t\n"
                                                       "œdipe\tOedipus complex\tboth\tpsychoanalysis\t\t\n"
                                                       "Zeitgeist\tzeitgeist\tfr\tsocial\t\t\n"
                                                       "état\tstate\ten\tclinical\t\t\n"
                                                       "3e âge\tthird age\tboth\tdevelopmental\t\t\n"_s));
    QCOMPARE(lint.frenchToEnglish, 4);
    QCOMPARE(lint.englishToFrench, 4);
    QCOMPARE(lint.identical, 1); // case counts: Zeitgeist is not zeitgeist
    QCOMPARE(lint.perSubfield.value(u"emotion"_s), 1);
    QCOMPARE(lint.perSubfield.value(u"clinical"_s), 0); // English to French only
    QCOMPARE(lint.frenchLetters[0], 1);  // affect
    QCOMPARE(lint.frenchLetters[14], 1); // œdipe folds to oedipe
    QCOMPARE(lint.frenchLetters[25], 1);
    QCOMPARE(lint.frenchLetters[26], 1); // 3e âge
    QCOMPARE(lint.englishLetters[18], 1); // state
    QVERIFY(lint.report().contains(u"French-to-English headwords by letter: A 1 B 0"_s));
}

QTEST_GUILESS_MAIN(TestTermLint)
#include "tst_termlint.moc"
