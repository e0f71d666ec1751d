#include <QProcess>
#include <QTest>

#include "dictionarycollation.h"
#include "dictionaryoperations.h"
#include "direction.h"
#include "testsupport.h"
#include "connectiondescription.h"
#include "store.h"
#include "windowdata.h"

using namespace Qt::Literals::StringLiterals;

namespace {

struct Run {
    int exitCode;
    QString output;
};

Run runTool(const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(TABLES_TOOL), arguments);
    process.waitForFinished(60000);
    return { process.exitCode(), QString::fromUtf8(process.readAll()) };
}

} // namespace

class TestTablesTool : public QObject {
    Q_OBJECT

private slots:
    void buildsTablesThatPassTheCheck();
    void catchesWrongNum();
    void rejectsBadSources();
    void sampleLettersLandOnTheirLetter();
    void compiledStoreGivesTheSameResults();
};

void TestTablesTool::buildsTablesThatPassTheCheck()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"terms.tsv"_s,
                  "Frensh\tEnglish\n"
                  "zoophobie\tzoophobia\nÉtat\tstate\nanxiété\tanxiety\nAnxiete\tanxiousness\nbiais\tbias\netat limite\tborderline state\n"
                  "anxiété\tanxiety\n");
    const Run build = runTool({ u"build"_s, dir.filePath(u"terms.tsv"_s), dir.filePath(u"data"_s) });
    QCOMPARE(build.exitCode, 0);
    QVERIFY2(build.output.contains(u"6 entries"_s), qPrintable(build.output)); // the repeated pair is kept once
    const Run check = runTool({ u"check"_s, dir.filePath(u"data"_s) });
    QVERIFY2(check.exitCode == 0, qPrintable(check.output));
    QVERIFY(check.output.contains(u"6 entries, 0 with a wrong num"_s));
    // The French order puts accents and case with their base letters: anxiété, Anxiete, biais, État...
    QVERIFY2(check.output.contains(u"  B 2\n"_s), qPrintable(check.output));
    QVERIFY(check.output.contains(u"  E 3\n"_s));
    QVERIFY(check.output.contains(u"  Z 5\n"_s));
    QVERIFY(check.output.contains(u"Letter Starts=0,2,3,3,3,5,"_s));
    QVERIFY(check.output.contains(u"the connection file's Letter Starts agree with the table"_s));

    // A key that no longer fits the table is reported letter by letter.
    writeTextFile(dir.filePath(u"data"_s), u"d0.UDL"_s, "Provider=text;Data Source=fr-en;Letter Starts=0,1,3,3,3,5,5,5,5,5,5,5,5,5,5,5,5,5,5,5,5,5,5,5,5,5\n");
    const Run stale = runTool({ u"check"_s, dir.filePath(u"data"_s) });
    QCOMPARE(stale.exitCode, 1);
    QVERIFY2(stale.output.contains(u"Letter Starts gives B 1, the table starts it at 2"_s), qPrintable(stale.output));
}

void TestTablesTool::catchesWrongNum()
{
    QTemporaryDir dir;
    const QList<Entry> french { { u"anxiety"_s, u"anxiété"_s, u"0"_s }, { u"bias"_s, u"biais"_s, u"2"_s }, { u"fear"_s, u"peur"_s, u"2"_s } };
    writeDictionary(dir.path(), french, numbered({ { u"bias"_s, u"biais"_s } }));
    const Run check = runTool({ u"check"_s, dir.path() });
    QCOMPARE(check.exitCode, 1);
    QVERIFY2(check.output.contains(u"position 1: num is 2: biais"_s), qPrintable(check.output));
    QVERIFY(!check.output.contains(u"position 2:"_s));
}

void TestTablesTool::rejectsBadSources()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"terms.tsv"_s, "Frensh\tEnglish\npeur\n");
    const Run build = runTool({ u"build"_s, dir.filePath(u"terms.tsv"_s), dir.filePath(u"data"_s) });
    QCOMPARE(build.exitCode, 2);
    QVERIFY2(build.output.contains(u"line 2"_s), qPrintable(build.output));
    QVERIFY(!QFileInfo::exists(dir.filePath(u"data/d0.UDL"_s)));

    const Run check = runTool({ u"check"_s, dir.filePath(u"nowhere"_s) });
    QCOMPARE(check.exitCode, 2);
    QVERIFY(check.output.contains(u"cannot find the data directory"_s));
}

void TestTablesTool::sampleLettersLandOnTheirLetter()
{
    QTemporaryDir dir;
    const Run build = runTool({ u"build"_s, QStringLiteral(SAMPLE_TERMS), dir.path() });
    QCOMPARE(build.exitCode, 0);
    QCOMPARE(runTool({ u"check"_s, dir.path() }).exitCode, 0);
    for (const Direction* direction : { &Direction::frenchToEnglish(), &Direction::englishToFrench() }) {
        WindowData data = WindowData::open(*direction, dir.path());
        QVERIFY(!data.loadFailure);
        FakeView view;
        RecordingPresenter presenter;
        RecordingBusyPointer busy;
        DictionaryOperations operations(*direction, *data.browse, *data.lookup, data.letterStarts, view, presenter, busy);
        for (int letter = 0; letter < 26; ++letter) {
            operations.letter_Click(letter);
            const QString shown = direction == &Direction::frenchToEnglish() ? view.french : view.english;
            QVERIFY2(DictionaryCollation::folded(shown).startsWith(QChar(u'a' + letter)), qPrintable(QChar(u'A' + letter) + u": "_s + shown));
        }
        QCOMPARE(presenter.messages, QStringList());
    }
}

void TestTablesTool::compiledStoreGivesTheSameResults()
{
    QTemporaryDir text;
    QTemporaryDir compiled;
    QCOMPARE(runTool({ u"build"_s, QStringLiteral(SAMPLE_TERMS), text.path() }).exitCode, 0);
    QCOMPARE(runTool({ u"build"_s, QStringLiteral(SAMPLE_TERMS), compiled.path() }).exitCode, 0);
    const Run compile = runTool({ u"compile"_s, compiled.path() });
    QVERIFY2(compile.exitCode == 0, qPrintable(compile.output));
    QVERIFY(QFileInfo(compiled.filePath(u"fr-en.sqlite"_s)).isFile());
    QCOMPARE(runTool({ u"check"_s, compiled.path() }).exitCode, 0);

    const QStringList words { u"anxiété"_s, u"ANXIETE"_s, u"maladie d'Alzheimer"_s, u"l'"_s, u"ps"_s, QString(), u"zz"_s, u"Œdipe"_s };
    for (const Direction* direction : { &Direction::frenchToEnglish(), &Direction::englishToFrench() }) {
        QStringList queries { direction->browseSource, direction->lookupSource };
        for (const QString& word : words) {
            const QString literal = doubler_apostrophes(word);
            queries << direction->exactStart + u'\'' + literal + u'\'' + direction->exactEnd
                    << direction->prefixStart + u'\'' + literal + u" *'  and '"_s + literal + u"z*'"_s + direction->prefixEnd;
        }
        const auto open = [direction](const QString& dir) {
            auto description = ConnectionDescription::read(QDir(dir).filePath(direction->connectionFile), dir);
            return *Store::open(*description);
        };
        auto textStore = open(text.path());
        auto compiledStore = open(compiled.path());
        QVERIFY(!compiledStore->description().databaseFile.isEmpty());
        for (const QString& query : queries) {
            auto a = textStore->execute(query);
            auto b = compiledStore->execute(query);
            QVERIFY2(a && b, qPrintable(query));
            const qsizetype rows = *(*a)->rowCount();
            QCOMPARE(*(*b)->rowCount(), rows);
            for (qsizetype row = 0; row < rows; ++row) {
                for (const QString& field : { u"English"_s, u"Frensh"_s, u"num"_s })
                    QCOMPARE((*b)->value(row, (*b)->columnIndex(field)).text, (*a)->value(row, (*a)->columnIndex(field)).text);
            }
        }
    }
    const Run lookupText = runTool({ u"lookup"_s, text.path(), u"fr"_s, u"anxiete"_s });
    QCOMPARE(runTool({ u"lookup"_s, compiled.path(), u"fr"_s, u"anxiete"_s }).output, lookupText.output);
    QCOMPARE(lookupText.output, u"anxiété\tanxiety\n"_s);
}

QTEST_GUILESS_MAIN(TestTablesTool)
#include "tst_tablestool.moc"
