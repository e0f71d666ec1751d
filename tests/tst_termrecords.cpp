#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include "tablestool.h"
#include "termlint.h"
#include "termrecord.h"
#include "termrecords.h"
#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

CommandAnswer runTool(const QStringList& arguments)
{
    return TablesTool::run(arguments, QFileInfo(QStringLiteral(TABLES_TOOL)).path());
}

QMap<QString, QByteArray> tablesUnder(const QString& directory)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : { u"fr-en/PS.txt"_s, u"fr-en/schema.ini"_s, u"en-fr/PS.txt"_s, u"en-fr/schema.ini"_s, u"d0.UDL"_s, u"d2.UDL"_s }) {
        QFile file(directory + u'/' + name);
        if (file.open(QIODevice::ReadOnly))
            files.insert(name, file.readAll());
    }
    return files;
}

// A small term base with every field a record has: both genders and the plural, every part of
// speech, a British variant read one way only, a warning, and links of each kind.
void writeTermBase(const QString& dir)
{
    writeTextFile(dir, u"t.tsv"_s,
                  "Frensh\tEnglish\tDirection\tSubfield\tLabelEn\tLabelFr\n"
                  "délire\tdelusion\tboth\tclinical\t\t\n"
                  "trouble anxieux\tanxiety disorder\tboth\tclinical\t\t\n"
                  "trouble panique\tpanic disorder\tboth\tclinical\t\t\n"
                  "TAG\tGAD\tboth\tclinical\t\t\n"
                  "trouble anxieux généralisé\tgeneralized anxiety disorder\tboth\tclinical\t\t\n"
                  "trouble anxieux généralisé\tgeneralised anxiety disorder\ten\tclinical\t\t\n"
                  "acquis\tacquired\tboth\tclinical\tsexual dysfunction\tdysfonction sexuelle\n"
                  "mémoire\tmemory\tboth\tcognitive\t\t\n"
                  "psychologue\tpsychologist\tboth\tclinical\t\t\n"
                  "troubles dissociatifs\tdissociative disorders\tboth\tclinical\t\t\n"
                  "refouler\trepress\tfr\tpsychoanalysis\t\t\n"
                  "à jeun\tfasting\tfr\tbiological\t\t\n"
                  "significativement\tsignificantly\tfr\tmethods\t\t\n");
    writeTextFile(dir, u"t.grammar.tsv"_s,
                  "Language\tTerm\tPartOfSpeech\tGender\n"
                  "fr\tdélire\tnoun\tm\nen\tdelusion\tnoun\t\n"
                  "fr\ttrouble anxieux\tnoun\tm\nen\tanxiety disorder\tnoun\t\n"
                  "fr\ttrouble panique\tnoun\tm\nen\tpanic disorder\tnoun\t\n"
                  "fr\tTAG\tabbreviation\tm\nen\tGAD\tabbreviation\t\n"
                  "fr\ttrouble anxieux généralisé\tnoun\tm\nen\tgeneralized anxiety disorder\tnoun\t\nen\tgeneralised anxiety disorder\tnoun\t\n"
                  "fr\tacquis\tadjective\t\nen\tacquired\tadjective\t\n"
                  "fr\tmémoire\tnoun\tf\nen\tmemory\tnoun\t\n"
                  "fr\tpsychologue\tnoun\tmf\nen\tpsychologist\tnoun\t\n"
                  "fr\ttroubles dissociatifs\tnoun\tm pl\nen\tdissociative disorders\tnoun\t\n"
                  "fr\trefouler\tverb\t\nen\trepress\tverb\t\n"
                  "fr\tà jeun\tphrase\t\nen\tfasting\tadjective\t\n"
                  "fr\tsignificativement\tadverb\t\nen\tsignificantly\tadverb\t\n");
    writeTextFile(dir, u"t.definitions.tsv"_s,
                  "French\tEnglish\tDefinitionFr\tDefinitionEn\n"
                  "délire\tdelusion\tConviction fausse et inébranlable.\tFixed false belief.\n"
                  "trouble anxieux\tanxiety disorder\tFamille de troubles dominés par la peur.\tFamily of disorders dominated by fear.\n"
                  "trouble panique\tpanic disorder\tTrouble fait d'attaques de panique récurrentes.\tDisorder of recurrent panic attacks.\n"
                  "TAG\tGAD\tSigle du trouble anxieux généralisé.\tInitialism of generalized anxiety disorder.\n"
                  "trouble anxieux généralisé\tgeneralized anxiety disorder\tInquiétude excessive et durable.\tExcessive, lasting worry.\n"
                  "acquis\tacquired\tSurvenu après une période de fonctionnement normal.\tBegun after a period of normal function.\n"
                  "psychologue\tpsychologist\tSpécialiste de la psychologie.\tSpecialist in psychology.\n"
                  "troubles dissociatifs\tdissociative disorders\tTroubles de l'intégration de la conscience.\tDisorders of the integration of awareness.\n"
                  "significativement\tsignificantly\tDe façon statistiquement significative.\tIn a statistically significant way.\n");
    writeTextFile(dir, u"t.notes.tsv"_s,
                  "Language\tTerm\tKind\tLookAlike\tNote\n"
                  "fr\tdélire\tfalse-friend\tdelirium\tÀ ne pas traduire par « delirium », qui est le syndrome confusionnel.\n"
                  "en\tgeneralized anxiety disorder\tregion\t\tBritish texts spell it generalised.\n");
    writeTextFile(dir, u"t.links.tsv"_s,
                  "Language\tTerm\tRelation\tTarget\n"
                  "fr\ttrouble panique\tbroader\ttrouble anxieux\n"
                  "en\tpanic disorder\tbroader\tanxiety disorder\n"
                  "fr\tTAG\tfull-form\ttrouble anxieux généralisé\n"
                  "en\tGAD\tfull-form\tgeneralized anxiety disorder\n"
                  "fr\ttrouble anxieux généralisé\tbroader\ttrouble anxieux\n");
}

QJsonObject lookUp(const QString& data, const QString& language, const QString& word)
{
    const CommandAnswer answer = runTool({ u"lookup"_s, u"--json"_s, data, language, word });
    return QJsonDocument::fromJson(answer.out.toUtf8()).object();
}

QString relatedText(const QJsonObject& record)
{
    QStringList links;
    for (const QJsonValue& link : record[u"related"_s].toArray())
        links.append(link[u"relation"_s].toString() + u':' + link[u"term"_s].toString());
    return links.join(u", ");
}

} // namespace

class TestTermRecords : public QObject {
    Q_OBJECT

private slots:
    void textFormsRoundTrip();
    void inverseLinksAreSymmetricAndIdempotent();
    void recordsAnsweredAndCarried_data();
    void recordsAnsweredAndCarried();
    void badRecordFilesAreRefused_data();
    void badRecordFilesAreRefused();
    void lintChecksRecords_data();
    void lintChecksRecords();
    void bundledRecordsMeetTheirCounts();
};

void TestTermRecords::textFormsRoundTrip()
{
    // Every grammar the lists allow reads back as written; what they do not is refused.
    for (const QString& pos : TermRecord::partsOfSpeech()) {
        const bool nominal = pos == u"noun" || pos == u"abbreviation";
        for (const QString& gender : QStringList { QString() } + TermRecord::genders()) {
            for (const bool plural : { false, true }) {
                TermRecord::Side side { .partOfSpeech = pos, .gender = gender, .plural = plural };
                TermRecord::Side back;
                const auto problem = TermRecord::readGrammar(TermRecord::grammarText(side), &back);
                QCOMPARE(problem.has_value(), !nominal && !gender.isEmpty());
                if (!problem)
                    QCOMPARE(back, side);
            }
        }
    }
    TermRecord::Side side;
    for (const QString& bad : { u"nom f"_s, u"noun x"_s, u"noun f pl extra"_s, u"noun pl f"_s })
        QVERIFY2(TermRecord::readGrammar(bad, &side).has_value(), qPrintable(bad));

    // Notes and links survive whatever their text holds that JSON must escape.
    const QStringList notes { u"« délire » \"quoted\" \\ back"_s, u"two\nlines"_s, u"[not, an array]"_s };
    QStringList notesBack;
    QVERIFY(!TermRecord::readNotes(TermRecord::notesText(notes), &notesBack));
    QCOMPARE(notesBack, notes);
    const QList<TermRecord::Link> links { { u"broader"_s, u"a \"b\", c"_s }, { u"synonym"_s, u"]}"_s } };
    QList<TermRecord::Link> linksBack;
    QVERIFY(!TermRecord::readRelated(TermRecord::relatedText(links), &linksBack));
    QCOMPARE(linksBack, links);
    for (const QString& bad : { u"[{\"relation\":\"cousin\",\"term\":\"x\"}]"_s, u"{}"_s, u"[{\"relation\":\"synonym\"}]"_s })
        QVERIFY2(TermRecord::readRelated(bad, &linksBack).has_value(), qPrintable(bad));
}

void TestTermRecords::inverseLinksAreSymmetricAndIdempotent()
{
    // Random links among a few terms: after adding the inverses every link has its inverse at
    // the other end, and adding them again changes nothing.
    QRandomGenerator random(20261210);
    for (int round = 0; round < 50; ++round) {
        QList<TermSource::Entry> entries;
        for (int i = 0; i < 6; ++i)
            entries.append({ .french = u"f%1"_s.arg(i), .english = u"e%1"_s.arg(i) });
        for (int k = 0; k < 8; ++k) {
            const int from = random.bounded(6);
            const int to = (from + 1 + random.bounded(5)) % 6;
            const QString relation = TermRecord::relations()[random.bounded(TermRecord::relations().size())];
            const TermRecord::Link link { relation, u"f%1"_s.arg(to) };
            if (!entries[from].frenchRecord.related.contains(link))
                entries[from].frenchRecord.related.append(link);
        }
        TermRecords::addInverseLinks(&entries);
        for (const TermSource::Entry& entry : entries) {
            for (const TermRecord::Link& link : entry.frenchRecord.related) {
                const TermSource::Entry& target = entries[link.term.mid(1).toInt()];
                QVERIFY(target.frenchRecord.related.contains(TermRecord::Link { TermRecord::inverseOf(link.relation), entry.french }));
            }
        }
        const QList<TermSource::Entry> once = entries;
        TermRecords::addInverseLinks(&entries);
        for (qsizetype i = 0; i < entries.size(); ++i)
            QCOMPARE(entries[i].frenchRecord.related, once[i].frenchRecord.related);
    }
}

void TestTermRecords::recordsAnsweredAndCarried_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("grammar"); // pos gender plural / translation's pos gender
    QTest::addColumn<QString>("definitionEn");
    QTest::addColumn<QString>("notes");
    QTest::addColumn<QString>("related");
    QTest::newRow("warning") << u"fr"_s << u"délire"_s << u"noun m 0 / noun - 0"_s << u"Fixed false belief."_s
                             << u"À ne pas traduire par « delirium », qui est le syndrome confusionnel."_s << QString();
    QTest::newRow("inverse links") << u"fr"_s << u"trouble anxieux"_s << u"noun m 0 / noun - 0"_s << u"Family of disorders dominated by fear."_s << QString()
                                   << u"narrower:trouble panique, narrower:trouble anxieux généralisé"_s;
    QTest::newRow("abbreviation") << u"fr"_s << u"TAG"_s << u"abbreviation m 0 / abbreviation - 0"_s << u"Initialism of generalized anxiety disorder."_s
                                  << QString() << u"full-form:trouble anxieux généralisé"_s;
    QTest::newRow("English side") << u"en"_s << u"generalized anxiety disorder"_s << u"noun - 0 / noun m 0"_s << u"Excessive, lasting worry."_s
                                  << u"British texts spell it generalised."_s << u"abbreviation:GAD"_s;
    QTest::newRow("British variant") << u"en"_s << u"generalised anxiety disorder"_s << u"noun - 0 / noun m 0"_s << QString() << QString() << QString();
    QTest::newRow("feminine, undefined") << u"fr"_s << u"mémoire"_s << u"noun f 0 / noun - 0"_s << QString() << QString() << QString();
    QTest::newRow("both genders") << u"fr"_s << u"psychologue"_s << u"noun mf 0 / noun - 0"_s << u"Specialist in psychology."_s << QString() << QString();
    QTest::newRow("plural") << u"fr"_s << u"troubles dissociatifs"_s << u"noun m 1 / noun - 0"_s << u"Disorders of the integration of awareness."_s << QString()
                            << QString();
    QTest::newRow("verb") << u"fr"_s << u"refouler"_s << u"verb - 0 / verb - 0"_s << QString() << QString() << QString();
    QTest::newRow("phrase") << u"fr"_s << u"à jeun"_s << u"phrase - 0 / adjective - 0"_s << QString() << QString() << QString();
    QTest::newRow("adverb") << u"fr"_s << u"significativement"_s << u"adverb - 0 / adverb - 0"_s << u"In a statistically significant way."_s << QString() << QString();
}

void TestTermRecords::recordsAnsweredAndCarried()
{
    QFETCH(QString, language);
    QFETCH(QString, word);
    QFETCH(QString, grammar);
    QFETCH(QString, definitionEn);
    QFETCH(QString, notes);
    QFETCH(QString, related);
    QTemporaryDir dir;
    writeTermBase(dir.path());
    const QString built = dir.filePath(u"built"_s);
    const CommandAnswer build = runTool({ u"build"_s, dir.filePath(u"t.tsv"_s), built });
    QVERIFY2(build.status == 0, qPrintable(build.err));
    // Every store the record travels through answers with the same record: the text tables, the
    // tables rebuilt from each export, and the compiled store.
    QStringList stores { built };
    for (const QString& format : { u"tbx"_s, u"csv"_s }) {
        const QString file = dir.filePath(u"x."_s + format);
        QCOMPARE(runTool({ u"export"_s, built, u"--format"_s, format, u"--output"_s, file }).status, 0);
        const QString rebuilt = dir.filePath(u"from-"_s + format);
        const CommandAnswer again = runTool({ u"build"_s, file, rebuilt });
        QVERIFY2(again.status == 0, qPrintable(again.err));
        QCOMPARE(tablesUnder(rebuilt), tablesUnder(built));
        stores.append(rebuilt);
    }
    QCOMPARE(runTool({ u"compile"_s, stores.back() }).status, 0);
    for (const QString& store : stores) {
        const QJsonObject answer = lookUp(store, language, word);
        QVERIFY2(answer[u"found"_s].toBool(), qPrintable(store));
        const QJsonObject record = answer[u"record"_s].toObject();
        const auto grammarOf = [](const QJsonObject& side) -> QString {
            return side[u"pos"_s].toString() + u' ' + (side[u"gender"_s].isNull() ? u"-"_s : side[u"gender"_s].toString()) + u' '
                + (side[u"plural"_s].toBool() ? u'1' : u'0');
        };
        QCOMPARE(grammarOf(record) + u" / "_s + grammarOf(record[u"translation"_s].toObject()), grammar);
        QCOMPARE(record[u"definitionEn"_s].toString(), definitionEn);
        QCOMPARE(record[u"definitionEn"_s].isNull(), definitionEn.isEmpty());
        QCOMPARE(record[u"definitionFr"_s].isNull(), definitionEn.isEmpty());
        // A false friend's note is a warning, apart from the other notes.
        const QStringList warnings = record[u"warnings"_s].toVariant().toStringList();
        QCOMPARE(warnings.isEmpty(), QString::fromLatin1(QTest::currentDataTag()) != u"warning"_s);
        QCOMPARE((record[u"notes"_s].toVariant().toStringList() + warnings).join(u'|'), notes);
        QCOMPARE(relatedText(record), related);
    }
}

void TestTermRecords::badRecordFilesAreRefused_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("reason");
    QTest::newRow("part of speech") << u"grammar"_s << QByteArray("fr\tdélire\tnom\tm") << u"t.grammar.tsv line 2: part of speech \"nom\""_s;
    QTest::newRow("gender on a verb") << u"grammar"_s << QByteArray("fr\trefouler\tverb\tm") << u"a gender on a verb"_s;
    QTest::newRow("English gender") << u"grammar"_s << QByteArray("en\tmemory\tnoun\tf") << u"a gender on an English term"_s;
    QTest::newRow("unknown term") << u"grammar"_s << QByteArray("fr\tdelire\tnoun\tm") << u"\"delire\" is no French term of the source"_s;
    QTest::newRow("language") << u"grammar"_s << QByteArray("de\tdélire\tnoun\tm") << u"language \"de\": fr or en expected"_s;
    QTest::newRow("given twice") << u"grammar"_s << QByteArray("fr\tdélire\tnoun\tm\nfr\tdélire\tnoun\tf") << u"line 3: \"délire\" is given a second time"_s;
    QTest::newRow("no such pair") << u"definitions"_s << QByteArray("délire\tdelirium\tX.\tY.") << u"\"délire\" / \"delirium\" is no pair of the source"_s;
    QTest::newRow("one language") << u"definitions"_s << QByteArray("délire\tdelusion\t\tY.") << u"a definition in one language only"_s;
    QTest::newRow("blank at the end") << u"definitions"_s << QByteArray("délire\tdelusion\tX. \tY.") << u"begins or ends with a blank"_s;
    QTest::newRow("control character") << u"definitions"_s << QByteArray("délire\tdelusion\tX\x01.\tY.") << u"holds the control character U+0001"_s;
    QTest::newRow("note kind") << u"notes"_s << QByteArray("fr\tdélire\ttrap\tdelirium\tX.") << u"kind \"trap\""_s;
    QTest::newRow("relation") << u"links"_s << QByteArray("fr\tTAG\tcousin\tdélire") << u"relation \"cousin\""_s;
    QTest::newRow("missing target") << u"links"_s << QByteArray("fr\tTAG\tfull-form\ttrouble anxieux generalise")
                                    << u"the target \"trouble anxieux generalise\" is no French term of the source"_s;
    QTest::newRow("to itself") << u"links"_s << QByteArray("fr\tTAG\tsynonym\tTAG") << u"\"TAG\" linked to itself"_s;
    QTest::newRow("fields") << u"links"_s << QByteArray("fr\tTAG\tsynonym") << u"line 2: 3 fields, 4 expected"_s;
    QTest::newRow("header") << u"notes"_s << QByteArray() << u"t.notes.tsv line 1: the header line"_s;
}

void TestTermRecords::badRecordFilesAreRefused()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, line);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    writeTermBase(dir.path());
    const QString data = dir.filePath(u"data"_s);
    QCOMPARE(runTool({ u"build"_s, dir.filePath(u"t.tsv"_s), data }).status, 0);
    const QMap<QString, QByteArray> before = tablesUnder(data);
    static const QMap<QString, QByteArray> headers { { u"grammar"_s, "Language\tTerm\tPartOfSpeech\tGender\n" },
                                                     { u"definitions"_s, "French\tEnglish\tDefinitionFr\tDefinitionEn\n" },
                                                     { u"notes"_s, "Language\tTerm\tKind\tLookAlike\tNote\n" },
                                                     { u"links"_s, "Language\tTerm\tRelation\tTarget\n" } };
    writeTextFile(dir.path(), u"t."_s + file + u".tsv"_s, line.isEmpty() ? QByteArray("Language\tTerm\n") : headers[file] + line + '\n');
    for (const QString& command : { u"build"_s, u"lint"_s }) {
        const CommandAnswer answer = runTool(command == u"build" ? QStringList { command, dir.filePath(u"t.tsv"_s), data } : QStringList { command, dir.filePath(u"t.tsv"_s) });
        QCOMPARE(answer.status, 2);
        QVERIFY2(answer.err.contains(reason), qPrintable(answer.err));
    }
    QCOMPARE(tablesUnder(data), before);
}

void TestTermRecords::lintChecksRecords_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("error");
    QTest::newRow("clean") << QString() << QByteArray() << QString();
    QTest::newRow("warning without its look-alike") << u"notes"_s << QByteArray("Language\tTerm\tKind\tLookAlike\tNote\nfr\tdélire\tfalse-friend\tdelirium\tNe pas confondre.\n")
                                                    << u"notes line 2: a warning on délire that does not name its look-alike word"_s;
    QTest::newRow("clinical pair undefined") << u"definitions"_s << QByteArray("French\tEnglish\tDefinitionFr\tDefinitionEn\n")
                                             << u"line 2: no definition, which clinical pairs need: délire / delusion"_s;
    QTest::newRow("repeated definition")
        << u"definitions"_s
        << QByteArray("French\tEnglish\tDefinitionFr\tDefinitionEn\n"
                      "délire\tdelusion\tA.\tB.\ntrouble anxieux\tanxiety disorder\tA.\tC.\ntrouble panique\tpanic disorder\tD.\tE.\nTAG\tGAD\tF.\tG.\n"
                      "trouble anxieux généralisé\tgeneralized anxiety disorder\tH.\tI.\nacquis\tacquired\tJ.\tK.\npsychologue\tpsychologist\tL.\tM.\n"
                      "troubles dissociatifs\tdissociative disorders\tN.\tO.\n")
        << u"the definition of trouble anxieux / anxiety disorder repeats that of délire / delusion"_s;
    QTest::newRow("too long")
        << u"definitions"_s
        << QByteArray("French\tEnglish\tDefinitionFr\tDefinitionEn\n"
                      "délire\tdelusion\tA.\t")
            + QByteArray("word ").repeated(45) + QByteArray("end.\n")
        << u"a definition of 46 words, more than 45"_s;
    QTest::newRow("no part of speech") << u"grammar"_s << QByteArray("Language\tTerm\tPartOfSpeech\tGender\nfr\tdélire\tnoun\tm\n")
                                       << u"no part of speech for the English term delusion"_s;
    QTest::newRow("noun without gender") << u"grammar"_s << QByteArray("Language\tTerm\tPartOfSpeech\tGender\nfr\tdélire\tnoun\t\n")
                                         << u"no gender for the French noun délire"_s;
    QTest::newRow("note off the table") << u"notes"_s
                                        << QByteArray("Language\tTerm\tKind\tLookAlike\tNote\nen\trepress\tusage\t\tIn psychoanalysis, the defence.\n")
                                        << u"notes or related terms on repress, which is no headword of the English-to-French table"_s;
}

void TestTermRecords::lintChecksRecords()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, lines);
    QFETCH(QString, error);
    QTemporaryDir dir;
    writeTermBase(dir.path());
    if (!file.isEmpty())
        writeTextFile(dir.path(), u"t."_s + file + u".tsv"_s, lines);
    auto source = TermRecords::read(dir.filePath(u"t.tsv"_s));
    QVERIFY2(source, qPrintable(source ? QString() : source.failure().description));
    TermRecords::addInverseLinks(&source->entries);
    const TermLint lint = TermLint::of(*source);
    if (error.isEmpty()) {
        QVERIFY2(lint.errors.isEmpty(), qPrintable(lint.errors.join(u'\n')));
        QCOMPARE(lint.records.notesByKind.value(u"false-friend"_s), 1);
        QCOMPARE(lint.records.statedLinks, 5);
        QCOMPARE(lint.records.frenchNounsWithGender, lint.records.frenchNouns);
        return;
    }
    QVERIFY2(std::any_of(lint.errors.begin(), lint.errors.end(), [&error](const QString& line) { return line.contains(error); }), qPrintable(lint.errors.join(u'\n')));
}

void TestTermRecords::bundledRecordsMeetTheirCounts()
{
    // The bundled dictionary's records, as the lint counts them: every term with its part of
    // speech, every French noun with its gender, and the editorial floors.
    auto source = TermRecords::read(QStringLiteral(SAMPLE_TERMS));
    QVERIFY2(source, qPrintable(source ? QString() : source.failure().description));
    TermRecords::addInverseLinks(&source->entries);
    const TermLint lint = TermLint::of(*source);
    QVERIFY2(lint.errors.isEmpty(), qPrintable(lint.errors.mid(0, 20).join(u'\n')));
    const TermLint::Records& records = lint.records;
    QVERIFY(source->entries.size() >= 10000);
    QCOMPARE(records.frenchWithPartOfSpeech, records.frenchTerms);
    QCOMPARE(records.englishWithPartOfSpeech, records.englishTerms);
    QCOMPARE(records.frenchNounsWithGender, records.frenchNouns);
    QCOMPARE(records.requiredDefined, records.required);
    QVERIFY2(records.definitions >= 4000, qPrintable(QString::number(records.definitions)));
    QVERIFY2(records.notesByKind.value(u"false-friend"_s) >= 200, qPrintable(QString::number(records.notesByKind.value(u"false-friend"_s))));
    QVERIFY2(records.statedLinks >= 3000, qPrintable(QString::number(records.statedLinks)));
}

QTEST_GUILESS_MAIN(TestTermRecords)
#include "tst_termrecords.moc"
