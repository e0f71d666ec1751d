#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include "dictionarycollation.h"
#include "dictionaryoperations.h"
#include "direction.h"
#include "standins.h"
#include "testsupport.h"
#include "connectiondescription.h"
#include "lookupcommand.h"
#include "printing.h"
#include "quicklookup.h"
#include "store.h"
#include "storefactory.h"
#include "tablestool.h"
#include "windowdata.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using Run = ProgramRun;

// A command run in process, as the tool runs it (the help file beside the tool); what it prints
// on both channels together.
Run runTool(const QStringList& arguments)
{
    const CommandAnswer answer = TablesTool::run(arguments, QFileInfo(QStringLiteral(TABLES_TOOL)).path());
    return { answer.status, answer.out + answer.err };
}

// Standard output alone of the real tool, as a script piping it would get it.
QByteArray standardOutput(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(TABLES_TOOL), arguments);
    process.waitForFinished(60000);
    return process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
}

// Every file under `directory` with its bytes, by relative path.
QMap<QString, QByteArray> filesUnder(const QString& directory)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(directory, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            files.insert(QDir(directory).relativeFilePath(path), file.readAll());
    }
    return files;
}

} // namespace

class TestTablesTool : public QObject {
    Q_OBJECT

private slots:
    void buildsTablesThatPassTheCheck();
    void directionsAndLabels();
    void bundledSourceIsClean();
    void catchesWrongNum();
    void rejectsBadSources();
    void sampleLettersLandOnTheirLetter();
    void compiledStoreGivesTheSameResults();
    void quickLookupAnswersAsTheToolDoes();
    void answersForScripts();
    void helpAndVersion();
    void termBasesRoundTrip();
    void exportOneDirection();
    void exportRefusals();
    void glossariesForOtherPrograms();
    void failedBuildLeavesTheDataAlone();
    void lookUpToolsReadTheCompiledCopy();
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
    // A directory the program can use whole: the report's rows and the first help file too,
    // unless it has its own, which stay.
    const auto rows = fetchReportRows(dir.filePath(u"data"_s));
    QVERIFY2(rows, qPrintable(rows ? QString() : rows.failure().description));
    QCOMPARE(*rows, (QStringList { u"Source:"_s, u"eVelmora EF"_s, u"Edition 1.0"_s }));
    const QString help = QFileInfo(QStringLiteral(TABLES_TOOL)).dir().filePath(u"efENG.chm"_s);
    QCOMPARE(QFileInfo::exists(dir.filePath(u"data/efENG.chm"_s)), QFileInfo::exists(help));
    writeTextFile(dir.filePath(u"own"_s), u"P1.TXT"_s, "\"a1 a2 a3 \"\nour own row\n");
    QCOMPARE(runTool({ u"build"_s, dir.filePath(u"terms.tsv"_s), dir.filePath(u"own"_s) }).exitCode, 0);
    QCOMPARE(fetchReportRows(dir.filePath(u"own"_s)).value(), QStringList { u"our own row"_s });
    QVERIFY(!QFileInfo::exists(dir.filePath(u"own/schema.ini"_s)));

    // A key that no longer fits the table is reported letter by letter.
    writeTextFile(dir.filePath(u"data"_s), u"d0.UDL"_s, "Provider=text;Data Source=fr-en;Letter Starts=0,1,3,3,3,5,5,5,5,5,5,5,5,5,5,5,5,5,5,5,5,5,5,5,5,5\n");
    const Run stale = runTool({ u"check"_s, dir.filePath(u"data"_s) });
    QCOMPARE(stale.exitCode, 1);
    QVERIFY2(stale.output.contains(u"Letter Starts gives B 1, the table starts it at 2"_s), qPrintable(stale.output));
}

void TestTablesTool::directionsAndLabels()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"terms.tsv"_s,
                  "Frensh\tEnglish\tDirection\tSubfield\tLabelEn\tLabelFr\n"
                  "déni\tdisavowal\tboth\tpsychoanalysis\tpsychoanalysis\tpsychanalyse\n"
                  "déni\tdenial\tboth\tclinical\tclinical\tclinique\n"
                  "thérapie comportementale\tbehavior therapy\tboth\ttherapy\t\t\n"
                  "thérapie comportementale\tbehaviour therapy\ten\ttherapy\t\t\n"
                  "noyaux gris centraux\tbasal ganglia\tboth\tbiological\t\t\n"
                  "ganglions de la base\tbasal ganglia\tfr\tbiological\t\t\n");
    const Run build = runTool({ u"build"_s, dir.filePath(u"terms.tsv"_s), dir.filePath(u"data"_s) });
    QCOMPARE(build.exitCode, 0);
    QVERIFY2(build.output.contains(u"6 entries written"_s) && build.output.contains(u"(5 French to English, 5 English to French)"_s), qPrintable(build.output));
    QCOMPARE(runTool({ u"check"_s, dir.filePath(u"data"_s) }).exitCode, 0);

    const auto lookup = [&dir](const QString& language, const QString& word) {
        return runTool({ u"lookup"_s, dir.filePath(u"data"_s), language, word }).output;
    };
    // Each table shows the label after its own translation, in its own language.
    QCOMPARE(lookup(u"fr"_s, u"déni"_s), u"déni\tdenial (clinical)\n"_s);
    QCOMPARE(lookup(u"en"_s, u"disavowal"_s), u"déni (psychanalyse)\tdisavowal\n"_s);
    // A British form is an English-to-French entry only; a French variant is the other way.
    QCOMPARE(lookup(u"en"_s, u"behaviour therapy"_s), u"thérapie comportementale\tbehaviour therapy\n"_s);
    QCOMPARE(lookup(u"fr"_s, u"thérapie comportementale"_s), u"thérapie comportementale\tbehavior therapy\n"_s);
    QCOMPARE(lookup(u"fr"_s, u"ganglions de la base"_s), u"ganglions de la base\tbasal ganglia\n"_s);
    QCOMPARE(lookup(u"en"_s, u"basal ganglia"_s), u"noyaux gris centraux\tbasal ganglia\n"_s);

    // The subfield and the label stand in columns of their own, which the windows leave alone.
    QFile table(dir.filePath(u"data/fr-en/PS.txt"_s));
    QVERIFY(table.open(QIODevice::ReadOnly));
    QCOMPARE(table.readLine(), QByteArray("English\tFrensh\tnum\tSubfield\tLabel\n"));
    QCOMPARE(table.readLine(), QByteArray("denial (clinical)\tdéni\t0\tclinical\tclinical\n"));
}

void TestTablesTool::bundledSourceIsClean()
{
    const Run lint = runTool({ u"lint"_s, QStringLiteral(SAMPLE_TERMS) });
    QVERIFY2(lint.exitCode == 0, qPrintable(lint.output.left(4000)));
    QVERIFY(lint.output.contains(u"errors: 0\n"_s));
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

    // A num below 0 is no position at all: said so, not only that it differs.
    writeDictionary(dir.path(), { { u"anxiety"_s, u"anxiété"_s, u"0"_s }, { u"bias"_s, u"biais"_s, u"-1"_s } }, numbered({ { u"bias"_s, u"biais"_s } }));
    const Run negative = runTool({ u"check"_s, dir.path() });
    QCOMPARE(negative.exitCode, 1);
    QVERIFY2(negative.output.contains(u"position 1: num is -1 (Overflow: num -1 is below 0, before the first browse position): biais"_s),
             qPrintable(negative.output));
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
            // A is the first entry, which may begin with a digit ("16PF"): what sorts before B.
            const QString folded = DictionaryCollation::folded(shown);
            const bool onLetter = letter == 0 ? folded < u"b"_s : folded.startsWith(QChar(u'a' + letter));
            QVERIFY2(onLetter, qPrintable(QChar(u'A' + letter) + u": "_s + shown));
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
            queries << QString::fromUtf8(direction->texts.exactStart) + u'\'' + literal + u'\'' + QString::fromUtf8(direction->texts.exactEnd)
                    << QString::fromUtf8(direction->texts.prefixStart) + u'\'' + literal + u" *'  and '"_s + literal + u"z*'"_s
                           + QString::fromUtf8(direction->texts.prefixEnd);
        }
        const auto open = [direction](const QString& dir) {
            auto description = ConnectionDescription::read(QDir(dir).filePath(direction->connectionFile), dir);
            return *openStore(*description);
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
                QVERIFY(*(*a)->hasRow(row) && *(*b)->hasRow(row));
                for (const QString& field : { u"English"_s, u"Frensh"_s, u"num"_s })
                    QCOMPARE((*b)->value(row, (*b)->columnIndex(field)).text, (*a)->value(row, (*a)->columnIndex(field)).text);
            }
        }
    }
    const Run lookupText = runTool({ u"lookup"_s, text.path(), u"fr"_s, u"anxiete"_s });
    QCOMPARE(runTool({ u"lookup"_s, compiled.path(), u"fr"_s, u"anxiete"_s }).output, lookupText.output);
    QCOMPARE(lookupText.output, u"anxiété\tanxiety\n"_s);
}

void TestTablesTool::quickLookupAnswersAsTheToolDoes()
{
    QTemporaryDir compiled;
    QCOMPARE(runTool({ u"build"_s, QStringLiteral(SAMPLE_TERMS), compiled.path() }).exitCode, 0);
    QCOMPARE(runTool({ u"compile"_s, compiled.path() }).exitCode, 0);

    // Terms of both columns, and the words people type: typos, capitals, beginnings, pastes.
    QFile terms(QStringLiteral(SAMPLE_TERMS));
    QVERIFY(terms.open(QIODevice::ReadOnly));
    terms.readLine();
    QList<std::pair<QString, QString>> lookups; // language, word
    for (int line = 0; !terms.atEnd(); ++line) {
        const QStringList pair = QString::fromUtf8(terms.readLine()).trimmed().split(u'\t');
        if (line % 12 != 0 || pair.size() < 2)
            continue;
        lookups.append({ u"fr"_s, pair[0] });
        lookups.append({ u"en"_s, pair[1] });
        lookups.append({ line % 24 ? u"fr"_s : u"en"_s, line % 24 ? pair[0].toUpper() : pair[1].left(3) + u"xq"_s });
    }
    for (const QString& word : QStringList { QString(), u"'"_s, u"l'"_s, u"zz"_s, u"Œdipe"_s, u"ß"_s, u"😀"_s, u"%"_s, u"a_b"_s, u"   "_s,
                                 u"peur"_s + QString(200, QChar(0x301)) + u"x"_s, u"anxiété de séparation"_s + QString(300, u'q'),
                                 u"x"_s.repeated(70), u"Z"_s, u"zèle"_s }) {
        lookups.append({ u"fr"_s, word });
        lookups.append({ u"en"_s, word });
    }

    // Every word in process, both ways, the tables opened once a direction as a window would.
    WindowData french = WindowData::open(Direction::frenchToEnglish(), compiled.path());
    WindowData english = WindowData::open(Direction::englishToFrench(), compiled.path());
    QVERIFY(!french.loadFailure && !english.loadFailure);
    int quick = 0;
    for (const auto& [language, word] : std::as_const(lookups)) {
        const auto& direction = language == u"en" ? QueryTexts::englishToFrench : QueryTexts::frenchToEnglish;
        const auto answer = quickLookup(compiled.path().toStdString(), direction, word.toStdString());
        const LookupCommand::Answer tool = LookupCommand::run(language == u"en" ? english : french, language, word);
        const QString context = language + u" \""_s + word.left(80) + u"\": "_s + tool.out + tool.err;
        if (!answer) // handed over: the tool answers
            continue;
        QVERIFY2(tool.status == 0, qPrintable(context));
        QCOMPARE(QString::fromStdString(*answer), tool.out);
        ++quick;
    }
    // The usual lookups are answered without handing over.
    qInfo("%d of %lld lookups answered without handing over", quick, qlonglong(lookups.size()));
    QVERIFY2(quick >= lookups.size() * 9 / 10, qPrintable(u"%1 of %2 answered quickly"_s.arg(quick).arg(lookups.size())));

    // The programs themselves, from the command line.
    for (const QStringList& arguments : { QStringList { compiled.path(), u"fr"_s, u"anxiété"_s }, QStringList { compiled.path(), u"en"_s, u"FEAR"_s } }) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"EVELMORA_LOOKUP_NO_HANDOVER"_s, u"1"_s);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(LOOKUP_TOOL), arguments);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), runTool(QStringList { u"lookup"_s } + arguments).output);
    }

    // Handed over, the answer is the tool's, messages and exit status included: text tables, a
    // connection file out of the ordinary, one in error.
    QTemporaryDir text;
    QCOMPARE(runTool({ u"build"_s, QStringLiteral(SAMPLE_TERMS), text.path() }).exitCode, 0);
    writeTextFile(text.path(), u"d2.UDL"_s, "Provider=text;Data Source=nowhere\n");
    writeTextFile(compiled.path(), u"d0.UDL"_s, "Provider=sqlite;Data Source=\"fr-en.sqlite\";Mode=Read\n");
    writeTextFile(compiled.path(), u"d2.UDL"_s, "Provider=sqlite;Data Source=en-fr.sqlite;Letter Starts=0,1\n");
    for (const QStringList& arguments : { QStringList { text.path(), u"fr"_s, u"anxiete"_s }, QStringList { text.path(), u"en"_s, u"fear"_s },
                                          QStringList { compiled.path(), u"fr"_s, u"anxiete"_s }, QStringList { compiled.path(), u"en"_s, u"fear"_s },
                                          QStringList { compiled.path(), u"de"_s, u"Angst"_s } }) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(LOOKUP_TOOL), arguments);
        QVERIFY(process.waitForFinished(60000));
        const Run tool = runTool(QStringList { u"lookup"_s } + arguments);
        QCOMPARE(process.exitCode(), tool.exitCode);
        QCOMPARE(QString::fromUtf8(process.readAll()), tool.output);
    }
}

void TestTablesTool::answersForScripts()
{
    QTemporaryDir dir;
    const auto entries = numbered({ { u"anguish"_s, u"angoisse"_s }, { u"anxiety"_s, u"angoisse"_s }, { u"anxiety"_s, u"anxiété"_s },
                                    { u"social anxiety"_s, u"anxiété sociale"_s }, { u"schizophrenia"_s, u"schizophrénie"_s } });
    writeDictionary(dir.path(), entries, entries);
    const auto json = [](const QString& text) { return QJsonDocument::fromJson(text.toUtf8()).object(); };
    // Through the quick lookup, which hands these to the tool, and from the tool itself.
    const auto both = [&](const QStringList& arguments) {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(LOOKUP_TOOL), arguments);
        process.waitForFinished(60000);
        const Run tool = runTool(QStringList { u"lookup"_s } + arguments);
        if (process.exitCode() != tool.exitCode || QString::fromUtf8(process.readAll()) != tool.output)
            return Run { -1, u"the two differ"_s };
        return tool;
    };

    Run run = both({ u"--json"_s, dir.path(), u"fr"_s, u"anxiete"_s });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(json(run.output), (QJsonObject { { u"word"_s, u"anxiete"_s }, { u"direction"_s, u"fr"_s }, { u"found"_s, true },
                                             { u"french"_s, u"anxiété"_s }, { u"english"_s, u"anxiety"_s }, { u"exact"_s, true },
                                             { u"beginning"_s, u"anxiete"_s } }));
    // Not exact: the beginning that found it.
    run = both({ u"--json"_s, dir.path(), u"fr"_s, u"schizofrénie"_s });
    QCOMPARE(json(run.output)[u"exact"_s], false);
    QCOMPARE(json(run.output)[u"beginning"_s], u"schizo"_s);
    QCOMPARE(json(run.output)[u"french"_s], u"schizophrénie"_s);
    // A failure is an answer too, with its number and the window's message.
    run = both({ u"--json"_s, dir.path(), u"fr"_s, u"a\"b"_s + QChar(0x2028) });
    QVERIFY2(run.output.endsWith(u"\n"_s) && !run.output.trimmed().contains(u'\n'), qPrintable(run.output)); // one line
    QVERIFY(json(run.output).contains(u"found"_s));

    // The list the window would offer: one line a term, or JSON.
    run = both({ u"--suggest"_s, dir.path(), u"fr"_s, u"an"_s });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.output, u"angoisse\nanxiété\nanxiété sociale\n"_s);
    run = both({ u"--suggest"_s, u"--json"_s, dir.path(), u"en"_s, u"scizophrenia"_s });
    QCOMPARE(json(run.output), (QJsonObject { { u"word"_s, u"scizophrenia"_s }, { u"direction"_s, u"en"_s }, { u"closest"_s, true },
                                             { u"terms"_s, QJsonArray { u"schizophrenia"_s } } }));
    // Nothing to offer: exit 1, nothing printed.
    run = both({ u"--suggest"_s, dir.path(), u"fr"_s, u"zzzzzz"_s });
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.output, QString());
    // A word that looks like an option, after "--".
    run = both({ u"--suggest"_s, u"--"_s, dir.path(), u"fr"_s, u"--an"_s });
    QCOMPARE(run.exitCode, 1);
    run = both({ u"--jsn"_s, dir.path(), u"fr"_s, u"an"_s });
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.output.startsWith(u"evelmora-tables: unknown option --jsn\n"_s), qPrintable(run.output));
}

void TestTablesTool::helpAndVersion()
{
    for (const auto& [tool, name] : { std::pair { QStringLiteral(TABLES_TOOL), u"evelmora-tables"_s }, std::pair { QStringLiteral(LOOKUP_TOOL), u"evelmora-lookup"_s } }) {
        for (const QString& option : { u"--help"_s, u"--version"_s }) {
            QProcess process;
            process.start(tool, { option });
            QVERIFY(process.waitForFinished(10000));
            QCOMPARE(process.exitCode(), 0);
            const QString printed = QString::fromUtf8(process.readAllStandardOutput());
            QCOMPARE(process.readAllStandardError(), QByteArray());
            if (option == u"--version")
                QCOMPARE(printed, name + u" " EVELMORA_VERSION "\n"_s);
            else
                QVERIFY2(printed.startsWith(name + u": "_s) && printed.contains(u"usage: "_s + name), qPrintable(printed));
        }
    }
}

void TestTablesTool::termBasesRoundTrip()
{
    QTemporaryDir dir;
    const QString original = dir.filePath(u"original"_s);
    QCOMPARE(runTool({ u"build"_s, QStringLiteral(SAMPLE_TERMS), original }).exitCode, 0);
    const QMap<QString, QByteArray> tables = filesUnder(original);
    QStringList built { u"d0.UDL"_s, u"d2.UDL"_s, u"en-fr/PS.txt"_s, u"en-fr/schema.ini"_s, u"fr-en/PS.txt"_s, u"fr-en/schema.ini"_s, u"p1.txt"_s, u"schema.ini"_s };
    if (QFileInfo::exists(QFileInfo(QStringLiteral(TABLES_TOOL)).dir().filePath(u"efENG.chm"_s)))
        built.append(u"efENG.chm"_s);
    built.sort();
    QCOMPARE(tables.keys(), built);
    // The bundled source's counts: its pairs, and the entries of each direction.
    QFile source(QStringLiteral(SAMPLE_TERMS));
    QVERIFY(source.open(QIODevice::ReadOnly));
    int pairs = 0, frenchToEnglish = 0, englishToFrench = 0;
    source.readLine();
    while (!source.atEnd()) {
        const QList<QByteArray> fields = source.readLine().split('\t');
        ++pairs;
        frenchToEnglish += fields.value(2) != "en";
        englishToFrench += fields.value(2) != "fr";
    }
    for (const QString& format : { u"csv"_s, u"tbx"_s }) {
        const QString file = dir.filePath(u"terms."_s + format);
        const Run exported = runTool({ u"export"_s, original, u"--format"_s, format, u"--output"_s, file });
        QCOMPARE(exported.exitCode, 0);
        QCOMPARE(exported.output, u"%1 entries written to "_s.arg(pairs) + file + u'\n');
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        // Options in another order, and to standard output: the same text.
        QProcess again;
        again.start(QStringLiteral(TABLES_TOOL), { u"export"_s, u"--output"_s, file + u".2"_s, u"--format"_s, format, original });
        QVERIFY(again.waitForFinished(60000));
        QCOMPARE(again.exitCode(), 0);
        QCOMPARE(again.readAllStandardOutput(), QByteArray());
        QFile second(file + u".2"_s);
        QVERIFY(second.open(QIODevice::ReadOnly));
        QCOMPARE(second.readAll(), bytes);
        QCOMPARE(standardOutput({ u"export"_s, u"--format"_s, format, original }), bytes);
        const QString rebuilt = dir.filePath(u"from-"_s + format);
        const Run build = runTool({ u"build"_s, file, rebuilt });
        QCOMPARE(build.exitCode, 0);
        QCOMPARE(build.output, u"%1 entries written to %2 (%3 French to English, %4 English to French)\n"_s.arg(pairs).arg(rebuilt).arg(frenchToEnglish).arg(englishToFrench));
        QVERIFY(filesUnder(rebuilt) == tables);
    }
    // Another XML reader takes the term base too.
    const QString xmllint = QStandardPaths::findExecutable(u"xmllint"_s);
    QVERIFY2(!xmllint.isEmpty(), "xmllint (libxml2-utils) is needed");
    QProcess lint;
    lint.start(xmllint, { u"--noout"_s, dir.filePath(u"terms.tbx"_s) });
    QVERIFY(lint.waitForFinished(60000));
    QCOMPARE(lint.readAllStandardError(), QByteArray());
    QCOMPARE(lint.exitCode(), 0);

    // A compiled store exports the same pairs.
    const QString compiled = dir.filePath(u"compiled"_s);
    QCOMPARE(runTool({ u"build"_s, QStringLiteral(SAMPLE_TERMS), compiled }).exitCode, 0);
    QCOMPARE(runTool({ u"compile"_s, compiled }).exitCode, 0);
    QCOMPARE(standardOutput({ u"export"_s, compiled, u"--format"_s, u"csv"_s }), standardOutput({ u"export"_s, original, u"--format"_s, u"csv"_s }));
}

void TestTablesTool::exportOneDirection()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"terms.tsv"_s,
                  "Frensh\tEnglish\tDirection\tSubfield\tLabelEn\tLabelFr\n"
                  "comportement\tbehavior\tboth\tlearning\t\t\n"
                  "comportement\tbehaviour\ten\tlearning\t\t\n"
                  "sevrage\tweaning\tboth\tdevelopmental\tinfant\tnourrisson\n"
                  "sevrage\twithdrawal\tboth\tclinical\tdrugs\t\n"
                  "\"petit Hans\"\tLittle Hans\tfr\tpsychoanalysis\t\t\n");
    QCOMPARE(runTool({ u"build"_s, dir.filePath(u"terms.tsv"_s), dir.filePath(u"data"_s) }).exitCode, 0);
    QCOMPARE(runTool({ u"check"_s, dir.filePath(u"data"_s) }).exitCode, 0);
    QCOMPARE(runTool({ u"lookup"_s, dir.filePath(u"data"_s), u"fr"_s, u"\"petit"_s }).output, u"\"petit Hans\"\tLittle Hans\n"_s);
    // The pairs of one table in its browse order, each with the tables it is in.
    QCOMPARE(QString::fromUtf8(standardOutput({ u"export"_s, dir.filePath(u"data"_s), u"--format"_s, u"csv"_s, u"--direction"_s, u"fr"_s })),
             u"French,English,Direction,Subfield,LabelEn,LabelFr\r\n"
             "\"\"\"petit Hans\"\"\",Little Hans,fr,psychoanalysis,,\r\n"
             "comportement,behavior,both,learning,,\r\n"
             "sevrage,weaning,both,developmental,infant,nourrisson\r\n"
             "sevrage,withdrawal,both,clinical,drugs,\r\n"_s);
    QCOMPARE(QString::fromUtf8(standardOutput({ u"export"_s, dir.filePath(u"data"_s), u"--format"_s, u"csv"_s, u"--direction"_s, u"en"_s })),
             u"French,English,Direction,Subfield,LabelEn,LabelFr\r\n"
             "comportement,behavior,both,learning,,\r\n"
             "comportement,behaviour,en,learning,,\r\n"
             "sevrage,weaning,both,developmental,infant,nourrisson\r\n"
             "sevrage,withdrawal,both,clinical,drugs,\r\n"_s);

    // Tables made elsewhere, without the build's subfield and label columns.
    writeTextFile(dir.filePath(u"plain"_s), u"d0.UDL"_s, "[oledb]\nProvider=text;Data Source=t\n");
    writeTextFile(dir.filePath(u"plain"_s), u"d2.UDL"_s, "[oledb]\nProvider=text;Data Source=t\n");
    writeTextFile(dir.filePath(u"plain/t"_s), u"PS.txt"_s, "English,Frensh,num\nfear,peur,0\n\"anxiety (trait)\",anxiété,1\n");
    QCOMPARE(QString::fromUtf8(standardOutput({ u"export"_s, dir.filePath(u"plain"_s), u"--format"_s, u"csv"_s })),
             u"French,English,Direction,Subfield,LabelEn,LabelFr\r\n"
             "anxiété,anxiety (trait),both,,,\r\n"
             "peur,fear,both,,,\r\n"_s);
}

void TestTablesTool::exportRefusals()
{
    QTemporaryDir dir;
    QCOMPARE(runTool({ u"build"_s, QStringLiteral(SAMPLE_TERMS), dir.path() }).exitCode, 0);
    const QString usage = u"usage: evelmora-tables export DATA_DIRECTORY --format tbx|csv|omegat|anki|dictd|stardict [--direction fr|en] [--subfield SUBFIELD] [--output FILE|FOLDER]\n"_s;
    const QList<std::pair<QStringList, QString>> cases {
        { { dir.path() }, usage },
        { { dir.path(), u"--format"_s, u"xml"_s }, usage },
        { { dir.path(), u"--format"_s, u"csv"_s, u"--direction"_s, u"both"_s }, usage },
        { { dir.path(), u"--format"_s }, u"evelmora-tables export: --format needs a value\n"_s },
        { { dir.path(), u"--format"_s, u"csv"_s, u"--format"_s, u"tbx"_s }, u"evelmora-tables export: --format given twice\n"_s },
        { { dir.path(), u"--format"_s, u"csv"_s, u"--fromat"_s }, u"evelmora-tables export: unknown option --fromat\n"_s },
        { { dir.path(), dir.path(), u"--format"_s, u"csv"_s }, u"evelmora-tables export: one data directory expected, "_s + dir.path() + u" is a second\n"_s },
        { { dir.filePath(u"nowhere"_s), u"--format"_s, u"csv"_s }, dir.filePath(u"nowhere"_s) + u": no such data directory\n"_s },
        { { dir.path(), u"--format"_s, u"csv"_s, u"--subfield"_s, u"clinical"_s }, u"evelmora-tables export: --subfield is for --format anki\n"_s },
        { { dir.path(), u"--format"_s, u"anki"_s, u"--subfield"_s, u"clinic"_s }, u"evelmora-tables export: unknown subfield \"clinic\": clinical, "_s },
        { { dir.path(), u"--format"_s, u"omegat"_s, u"--output"_s, dir.filePath(u"no/such/glossary.txt"_s) },
          u"cannot write "_s + dir.filePath(u"no/such/glossary.txt"_s) + u": "_s },
        { { dir.path(), u"--format"_s, u"csv"_s, u"--output"_s, dir.filePath(u"no/such/folder.csv"_s) },
          u"cannot write "_s + dir.filePath(u"no/such/folder.csv"_s) + u": "_s },
    };
    for (const auto& [arguments, message] : cases) {
        const Run run = runTool(QStringList { u"export"_s } + arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.output.startsWith(message), qPrintable(run.output));
    }
    QVERIFY(!QFileInfo::exists(dir.filePath(u"no"_s)));
}

// A CAT tool's glossary and a flash-card deck, each one way, from a term base with labels, a
// one-way pair, parts of speech and a definition holding quotes.
void TestTablesTool::glossariesForOtherPrograms()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"t.tsv"_s,
                  "Frensh\tEnglish\tDirection\tSubfield\tLabelEn\tLabelFr\n"
                  "délire\tdelusion\tboth\tclinical\t\t\n"
                  "angoisse\tanguish\tboth\tpsychoanalysis\texistential\texistentielle\n"
                  "refouler\trepress\tfr\tpsychoanalysis\t\t\n");
    writeTextFile(dir.path(), u"t.grammar.tsv"_s,
                  "Language\tTerm\tPartOfSpeech\tGender\nfr\tdélire\tnoun\tm\nen\tdelusion\tnoun\t\nfr\tangoisse\tnoun\tf\nen\tanguish\tnoun\t\n"
                  "fr\trefouler\tverb\t\nen\trepress\tverb\t\n");
    writeTextFile(dir.path(), u"t.definitions.tsv"_s,
                  "French\tEnglish\tDefinitionFr\tDefinitionEn\ndélire\tdelusion\tConviction « fausse ».\tA \"fixed\" false belief.\n");
    const QString data = dir.filePath(u"data"_s);
    QCOMPARE(runTool({ u"build"_s, dir.filePath(u"t.tsv"_s), data }).exitCode, 0);
    const auto exported = [&](const QStringList& options) { return QString::fromUtf8(standardOutput(QStringList { u"export"_s, data } + options)); };
    QCOMPARE(exported({ u"--format"_s, u"omegat"_s }),
             u"angoisse\tanguish\texistential; noun\ndélire\tdelusion\tnoun\nrefouler\trepress\tverb\n"_s);
    QCOMPARE(exported({ u"--format"_s, u"omegat"_s, u"--direction"_s, u"en"_s }), u"anguish\tangoisse\texistentielle; noun\ndelusion\tdélire\tnoun\n"_s);
    const QString header = u"#separator:tab\n#html:false\n#columns:Term\tTranslation\tDefinition\tTags\n#tags column:4\n"_s;
    QCOMPARE(exported({ u"--format"_s, u"anki"_s, u"--direction"_s, u"en"_s, u"--subfield"_s, u"clinical"_s }),
             header + u"delusion\tdélire\t\"A \"\"fixed\"\" false belief.\"\tclinical\n"_s);
    QCOMPARE(exported({ u"--format"_s, u"anki"_s, u"--subfield"_s, u"psychoanalysis"_s }),
             header + u"angoisse\tanguish (existential)\t\tpsychoanalysis\nrefouler\trepress\t\tpsychoanalysis\n"_s);
}

void TestTablesTool::failedBuildLeavesTheDataAlone()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(u"data"_s);
    writeTextFile(dir.path(), u"small.csv"_s, "French;English\r\npeur;fear\r\n");
    QCOMPARE(runTool({ u"build"_s, dir.filePath(u"small.csv"_s), data }).exitCode, 0);
    const QMap<QString, QByteArray> before = filesUnder(data);

    // A source refused half-way: nothing written.
    writeTextFile(dir.path(), u"bad.tbx"_s, "<tbx><text><body>\n<conceptEntry id=\"c1\"><langSec xml:lang=\"fr\"><termSec><term>a</term></termSec></langSec>"
                                            "<langSec xml:lang=\"en\"><termSec><term>b</term></termSec></langSec></conceptEntry>\n<conceptEntry id=\"c2\">\n");
    Run build = runTool({ u"build"_s, dir.filePath(u"bad.tbx"_s), data });
    QCOMPARE(build.exitCode, 2);
    QCOMPARE(build.output, dir.filePath(u"bad.tbx"_s) + u" line 4: not well-formed XML: Premature end of document.\n"_s);
    QVERIFY(filesUnder(data) == before);

    // Tables written but one of them cannot go in place: those moved before it are put back.
    QVERIFY(QFile::remove(QDir(data).filePath(u"d2.UDL"_s)));
    QVERIFY(QDir(data).mkpath(u"d2.UDL/in the way"_s));
    const QMap<QString, QByteArray> blocked = filesUnder(data);
    build = runTool({ u"build"_s, QStringLiteral(SAMPLE_TERMS), data });
    QCOMPARE(build.exitCode, 2);
    QVERIFY2(build.output.startsWith(u"cannot put "_s + QDir(data).filePath(u"d2.UDL"_s) + u" in place: "_s), qPrintable(build.output));
    QVERIFY(filesUnder(data) == blocked);
    QStringList left { u"d0.UDL"_s, u"d2.UDL"_s, u"en-fr"_s, u"fr-en"_s, u"p1.txt"_s, u"schema.ini"_s };
    if (QFileInfo::exists(QFileInfo(QStringLiteral(TABLES_TOOL)).dir().filePath(u"efENG.chm"_s)))
        left.append(u"efENG.chm"_s);
    left.sort(Qt::CaseInsensitive);
    QCOMPARE(QDir(data).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), left);
}

void TestTablesTool::lookUpToolsReadTheCompiledCopy()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(u"data"_s);
    const QString textOnly = dir.filePath(u"text"_s);
    const QByteArray source = "Frensh\tEnglish\nanxiété\tanxiety\nÉtat limite\tborderline state\nbiais\tbias\nbiais de confirmation\tconfirmation bias\n";
    writeTextFile(dir.path(), u"terms.tsv"_s, source);
    for (const QString& target : { data, textOnly })
        QCOMPARE(runTool({ u"build"_s, dir.filePath(u"terms.tsv"_s), target }).exitCode, 0);
    const QMap<QString, QByteArray> before = filesUnder(data);
    const Run copied = runTool({ u"compile"_s, data, u"--copy"_s });
    QVERIFY2(copied.exitCode == 0, qPrintable(copied.output));
    // The windows' own connection files are left alone; the copy names nothing outside it.
    QMap<QString, QByteArray> after = filesUnder(data);
    for (auto it = after.begin(); it != after.end();)
        it = it.key().startsWith(u"compiled/"_s) ? after.erase(it) : std::next(it);
    QVERIFY(after == before);
    QCOMPARE(QDir(data + u"/compiled"_s).entryList(QDir::Files, QDir::Name), (QStringList { u"d0.UDL"_s, u"d2.UDL"_s, u"en-fr.sqlite"_s, u"fr-en.sqlite"_s }));

    // The quick tool answers from the copy alone, as the tool answers from the text tables.
    const auto quick = [&](const QString& language, const QString& word) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"EVELMORA_LOOKUP_NO_HANDOVER"_s, u"1"_s);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(LOOKUP_TOOL), { data, language, word });
        process.waitForFinished(30000);
        return std::pair { process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()) };
    };
    const QList<std::pair<QString, QString>> words { { u"fr"_s, u"anxiete"_s }, { u"fr"_s, u"BIAIS DE"_s }, { u"fr"_s, u"etat limite"_s },
                                                     { u"en"_s, u"confirmation"_s }, { u"en"_s, u"bias"_s }, { u"en"_s, u"bordel"_s } };
    for (const auto& [language, word] : words) {
        const auto [status, out] = quick(language, word);
        QCOMPARE(status, 0);
        QCOMPARE(out, runTool({ u"lookup"_s, textOnly, language, word }).output);
        for (const QString& option : { u"--json"_s, u"--suggest"_s })
            QCOMPARE(runTool({ u"lookup"_s, option, data, language, word }).output, runTool({ u"lookup"_s, option, textOnly, language, word }).output);
    }

    // Tables rebuilt after it: the copy is older, the tools read the tables until it is made again.
    writeTextFile(dir.path(), u"terms.tsv"_s, source + "zoophobie\tzoophobia\n");
    QCOMPARE(runTool({ u"build"_s, dir.filePath(u"terms.tsv"_s), data }).exitCode, 0);
    QCOMPARE(quick(u"en"_s, u"zoophobia"_s).first, 3);
    QCOMPARE(runTool({ u"lookup"_s, data, u"en"_s, u"zoophobia"_s }).output, u"zoophobie\tzoophobia\n"_s);
    QCOMPARE(runTool({ u"compile"_s, data, u"--copy"_s }).exitCode, 0);
    QCOMPARE(quick(u"en"_s, u"zoophobia"_s), (std::pair { 0, u"zoophobie\tzoophobia\n"_s }));

    // Compiled tables need no copy: they are what the tools read.
    QCOMPARE(runTool({ u"compile"_s, textOnly }).exitCode, 0);
    const Run refused = runTool({ u"compile"_s, textOnly, u"--copy"_s });
    QCOMPARE(refused.exitCode, 2);
    QVERIFY2(refused.output.contains(u"names no text tables"_s), qPrintable(refused.output));
    QVERIFY(!QFileInfo::exists(textOnly + u"/compiled"_s));
}

QTEST_GUILESS_MAIN(TestTablesTool)
#include "tst_tablestool.moc"
