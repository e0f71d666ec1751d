#include <QTest>

#include "cursor.h"
#include "dictionaryoperations.h"
#include "direction.h"
#include "standins.h"
#include "testsupport.h"
#include "windowdata.h"

using namespace Qt::Literals::StringLiterals;

namespace {

struct Window {
    Window(const Direction& direction, const QString& dataDir) : data(WindowData::open(direction, dataDir))
    {
        operations = std::make_unique<DictionaryOperations>(direction, *data.browse, *data.lookup, data.letterStarts, view, presenter, busy);
    }
    // What the boxes show, as "English|Frensh".
    QString shown() const { return view.english + u'|' + view.french; }

    WindowData data;
    FakeView view;
    RecordingPresenter presenter;
    RecordingBusyPointer busy;
    std::unique_ptr<DictionaryOperations> operations;
};

// One block of entries per letter, each beginning exactly at the letter's constant position,
// named by letter and position ("b03677"); `extra` entries follow the Z block's first.
QList<Entry> fixture(const LetterStartTable& starts, int extra)
{
    QList<Entry> entries;
    for (int letter = 0; letter < 26; ++letter) {
        const int end = letter < 25 ? starts[letter + 1] : starts[25] + 1 + extra;
        for (int position = starts[letter]; position < end; ++position) {
            const QString term = QChar(u'a' + letter) + u"%1"_s.arg(position, 5, 10, QChar(u'0'));
            entries.append({ u"en-"_s + term, term, QString::number(position) });
        }
    }
    return entries;
}

QString term(int letter, int position)
{
    return QChar(u'a' + letter) + u"%1"_s.arg(position, 5, 10, QChar(u'0'));
}

} // namespace

class TestNavigation : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void positionTable_data();
    void positionTable();
    void singleAndEmptyTables();
    void failureNamesAndPartialShow();
    void letterStartsOfTheProduct();
    void lettersBeyondTheTable();
    void letterReadingRule_data();
    void letterReadingRule();
    void letterStartsKey_data();
    void letterStartsKey();

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_big;
};

void TestNavigation::initTestCase()
{
    const auto five = numbered({ { u"e0"_s, u"f0"_s }, { u"e1"_s, u"f1"_s }, { u"e2"_s, u"f2"_s }, { u"e3"_s, u"f3"_s }, { u"e4"_s, u"f4"_s } });
    writeDictionary(m_dir.path(), five, five);
    writeDictionary(m_big.path(), fixture(Direction::frenchToEnglish().letterStarts, 2), fixture(Direction::englishToFrench().letterStarts, 3));
}

void TestNavigation::positionTable_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("shown"); // the entry shown afterwards, or empty when the boxes stay

    // Entries 0 to 4; "before" and "after" stand for the positions outside them.
    const struct {
        const char* start;
        const char* first;
        const char* previous;
        const char* next;
    } rows[] = {
        { "2", "0", "1", "3" },
        { "0", "0", "", "1" },
        { "4", "0", "3", "" },
        { "before", "0", "", "0" },
        { "after", "0", "4", "" },
    };
    for (const auto& row : rows) {
        QTest::addRow("%s first", row.start) << QString::fromLatin1(row.start) << u"first"_s << QString::fromLatin1(row.first);
        QTest::addRow("%s previous", row.start) << QString::fromLatin1(row.start) << u"previous"_s << QString::fromLatin1(row.previous);
        QTest::addRow("%s next", row.start) << QString::fromLatin1(row.start) << u"next"_s << QString::fromLatin1(row.next);
        QTest::addRow("%s last", row.start) << QString::fromLatin1(row.start) << u"last"_s << u"4"_s;
    }
}

void TestNavigation::positionTable()
{
    QFETCH(QString, start);
    QFETCH(QString, operation);
    QFETCH(QString, shown);
    Window f1(Direction::frenchToEnglish(), m_dir.path());
    auto& ops = *f1.operations;
    if (start == u"before") {
        ops.cmdPremier_Click();
        ops.cmdRecule_Click();
    } else if (start == u"after") {
        ops.cmdDernier_Click();
        ops.cmdAvance_Click();
    } else {
        for (ops.cmdPremier_Click(); f1.view.french != u'f' + start;)
            ops.cmdAvance_Click();
    }
    f1.view.english = f1.view.french = u"typed"_s;
    if (operation == u"first")
        ops.cmdPremier_Click();
    else if (operation == u"previous")
        ops.cmdRecule_Click();
    else if (operation == u"next")
        ops.cmdAvance_Click();
    else
        ops.cmdDernier_Click();
    QCOMPARE(f1.shown(), shown.isEmpty() ? u"typed|typed"_s : u"e%1|f%1"_s.arg(shown));
    QCOMPARE(f1.presenter.messages, QStringList());
}

void TestNavigation::singleAndEmptyTables()
{
    QTemporaryDir dir;
    writeDictionary(dir.path(), numbered({ { u"only"_s, u"seul"_s } }), {});
    Window one(Direction::frenchToEnglish(), dir.path());
    one.operations->cmdPremier_Click();
    one.operations->cmdRecule_Click(); // before the first, silently
    one.operations->cmdAvance_Click();
    QCOMPARE(one.shown(), u"only|seul"_s);
    one.operations->cmdAvance_Click(); // after the last, silently
    one.operations->cmdAvance_Click();
    one.operations->cmdRecule_Click();
    QCOMPARE(one.shown(), u"only|seul"_s);
    QCOMPARE(one.presenter.messages, QStringList());

    Window empty(Direction::englishToFrench(), dir.path()); // d2's table is empty
    empty.operations->cmdRecule_Click();
    empty.operations->cmdAvance_Click();
    QCOMPARE(empty.presenter.messages, QStringList());
    empty.operations->cmdPremier_Click();
    empty.operations->cmdDernier_Click();
    QCOMPARE(empty.presenter.messages.size(), 2);
    QVERIFY(empty.presenter.messages[0].startsWith(u"3021"_s) && empty.presenter.messages[0].endsWith(u"cmdPremier_Click"_s));
    QVERIFY(empty.presenter.messages[1].startsWith(u"3021"_s) && empty.presenter.messages[1].endsWith(u"cmdDernier_Click"_s));
    QCOMPARE(empty.shown(), u"(untouched)|(untouched)"_s);
}

void TestNavigation::failureNamesAndPartialShow()
{
    QTemporaryDir dir;
    // In stored order: entry 1 has no French term, entry 2 no English one.
    writeDictionary(dir.path(), {}, { { u"a"_s, u"fa"_s, u"0"_s }, { u"b"_s, QString(), u"1"_s }, { QString(), u"fc"_s, u"2"_s } });
    Window f1(Direction::englishToFrench(), dir.path());
    f1.operations->cmdPremier_Click();
    f1.operations->cmdAvance_Click();
    // English is shown first; the French box keeps its text when the French term is missing.
    QCOMPARE(f1.shown(), u"b|fa"_s);
    f1.operations->cmdAvance_Click();
    f1.operations->cmdRecule_Click();
    QCOMPARE(f1.presenter.messages, (QStringList { u"94Invalid use of Null: the entry has no Frensh termcmdAvance"_s,
                                                   u"94Invalid use of Null: the entry has no English termcmdAvance"_s,
                                                   u"94Invalid use of Null: the entry has no Frensh termcmdRecule_Click"_s }));
}

void TestNavigation::letterStartsOfTheProduct()
{
    Window f1(Direction::frenchToEnglish(), m_big.path());
    f1.operations->letter_Click(1);
    QCOMPARE(f1.view.french, term(1, 3677));
    f1.operations->letter_Click(0); // A is the first entry, like the first-entry button
    QCOMPARE(f1.view.french, term(0, 0));

    const auto fast = [](Window& window, const QString& typed, bool last) {
        window.view.source = typed;
        if (last)
            window.operations->cmdAvanceRapidement_Click();
        else
            window.operations->cmdReculeRapidement_Click();
        return window.view.french;
    };
    QCOMPARE(fast(f1, u"anxiété"_s, true), term(0, 3676));
    QCOMPARE(fast(f1, u"Anxiété"_s, false), term(0, 0));
    QCOMPARE(fast(f1, u"yoga"_s, true), term(24, 5836));
    QCOMPARE(fast(f1, u"Yoga"_s, false), term(24, 5828));
    QCOMPARE(fast(f1, u"Zèle"_s, true), term(25, 5839)); // the last entry of the dictionary

    Window eng2(Direction::englishToFrench(), m_big.path());
    eng2.operations->cmdDernier_Click();
    eng2.operations->cmdAvance_Click(); // from after the last entry: the letter's result is the same
    eng2.operations->letter_Click(1);
    QCOMPARE(eng2.view.french, term(1, 5109));
    QCOMPARE(fast(eng2, u"zeal"_s, true), term(25, 7279));
    QCOMPARE(fast(eng2, u"zeal"_s, false), term(25, 7276));
    QCOMPARE(f1.presenter.messages + eng2.presenter.messages, QStringList());
}

void TestNavigation::lettersBeyondTheTable()
{
    Window f1(Direction::frenchToEnglish(), m_dir.path()); // 5 entries, far fewer than the constants expect
    f1.operations->cmdPremier_Click();
    f1.operations->letter_Click(1);
    f1.operations->letter_Click(2);
    f1.operations->letter_Click(19);
    QCOMPARE(f1.shown(), u"e0|f0"_s);
    QCOMPARE(f1.presenter.messages.size(), 3);
    QVERIFY(f1.presenter.messages[0].startsWith(u"3021"_s) && f1.presenter.messages[0].endsWith(u"cmdB_Click"_s));
    QVERIFY(f1.presenter.messages[1].endsWith(u"cmdc_Click"_s));
    QVERIFY(f1.presenter.messages[2].endsWith(u"cmdt_Click"_s));

    // Last of A: B reports its failure, then the step back lands on the last entry.
    f1.presenter.messages.clear();
    f1.view.source = u"a"_s;
    f1.operations->cmdAvanceRapidement_Click();
    QCOMPARE(f1.presenter.messages.size(), 1);
    QVERIFY(f1.presenter.messages[0].endsWith(u"cmdB_Click"_s));
    QCOMPARE(f1.shown(), u"e4|f4"_s);
}

void TestNavigation::letterReadingRule_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("blank") << u" anxiété"_s;
    QTest::newRow("digit") << u"5-HT"_s;
    QTest::newRow("apostrophe") << u"'a"_s;
    QTest::newRow("accented capital") << u"échelle"_s;
    QTest::newRow("ligature") << u"œdipe"_s;
    QTest::newRow("sharp s") << u"ß"_s;
}

void TestNavigation::letterReadingRule()
{
    QFETCH(QString, text);
    Window f1(Direction::frenchToEnglish(), m_big.path());
    f1.operations->letter_Click(2);
    f1.view.source = text;
    f1.operations->cmdAvanceRapidement_Click();
    f1.operations->cmdReculeRapidement_Click();
    QCOMPARE(f1.view.french, term(2, 3777));
    QVERIFY(f1.data.browse->movePrevious());
    QCOMPARE(f1.data.browse->field(u"Frensh")->text, term(1, 3776)); // the cursor did not move
    QCOMPARE(f1.presenter.messages, QStringList());
}

void TestNavigation::letterStartsKey_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("problem"); // empty: the key is used

    QTest::newRow("valid") << u"0,1,1,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,4"_s << QString();
    QTest::newRow("too few") << u"0,1,2"_s << u"holds 3 numbers, 26 expected"_s;
    QTest::newRow("not a number") << u"0,1,x,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,4"_s << u"gives C \"x\""_s;
    QTest::newRow("negative") << u"0,-1,1,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,4"_s << u"gives B \"-1\""_s;
    QTest::newRow("beyond 32 bits") << u"0,4294967297,1,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,4"_s << u"gives B \"4294967297\""_s;
    QTest::newRow("falling") << u"0,3,1,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,4"_s << u"gives C 1, before B at 3"_s;
    QTest::newRow("A not first") << u"1,1,1,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,4"_s << u"gives A 1"_s;
    QTest::newRow("empty") << QString() << u"holds 1 numbers"_s;
}

void TestNavigation::letterStartsKey()
{
    QFETCH(QString, key);
    QFETCH(QString, problem);
    QTemporaryDir dir;
    writeDictionary(dir.path(), numbered({ { u"e0"_s, u"f0"_s }, { u"e1"_s, u"f1"_s }, { u"e2"_s, u"f2"_s }, { u"e3"_s, u"f3"_s }, { u"e4"_s, u"f4"_s } }),
                    {});
    writeTextFile(dir.path(), u"d0.UDL"_s, (u"Provider=text;Data Source=fr;Letter Starts="_s + key).toUtf8());
    Window f1(Direction::frenchToEnglish(), dir.path());
    if (problem.isEmpty()) {
        QVERIFY(!f1.data.loadFailure);
        f1.operations->letter_Click(25);
        QCOMPARE(f1.view.french, u"f4"_s);
        return;
    }
    QVERIFY(f1.data.loadFailure);
    QCOMPARE(f1.data.loadFailure->number, int(FailureNumber::BadConnectionDescription));
    QVERIFY2(f1.data.loadFailure->description.contains(dir.filePath(u"d0.UDL"_s)) && f1.data.loadFailure->description.contains(problem),
             qPrintable(f1.data.loadFailure->description));
    QCOMPARE(f1.data.letterStarts, Direction::frenchToEnglish().letterStarts);
}

QTEST_GUILESS_MAIN(TestNavigation)
#include "tst_navigation.moc"
