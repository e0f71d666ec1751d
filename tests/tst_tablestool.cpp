#include <QProcess>
#include <QTest>

#include "testsupport.h"

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

QTEST_GUILESS_MAIN(TestTablesTool)
#include "tst_tablestool.moc"
