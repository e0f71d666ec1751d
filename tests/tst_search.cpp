#include <QTest>

#include "connectiondescription.h"
#include "cursor.h"
#include "dictionaryoperations.h"
#include "direction.h"
#include "standins.h"
#include "storefactory.h"
#include "testsupport.h"
#include "windowdata.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// One window's worth of operations over a data directory, with every query recorded.
struct Window {
    Window(const Direction& direction, const QString& dataDir) : data(WindowData::open(direction, dataDir))
    {
        operations = std::make_unique<DictionaryOperations>(direction, *data.browse, *data.lookup, data.letterStarts, view, presenter, busy);
    }
    QString browseField(const QString& name) const
    {
        auto value = data.browse->field(name);
        return value ? value->text : u"failure %1"_s.arg(value.failure().number);
    }
    void search(const QString& typed)
    {
        view.source = typed;
        operations->cmdSearch_Click();
    }

    WindowData data;
    FakeView view;
    RecordingPresenter presenter;
    RecordingBusyPointer busy;
    std::unique_ptr<DictionaryOperations> operations;
};

const QList<QPair<QString, QString>> frenchOrder {
    { u"abulia"_s, u"aboulie"_s },
    { u"anorexia"_s, u"anorexie"_s },
    { u"anxiety"_s, u"anxiété"_s },
    { u"separation anxiety"_s, u"anxiété de séparation"_s },
    { u"anxiety attack"_s, u"crise d'angoisse"_s },
    { u"child"_s, u"enfant"_s },
    { u"self-esteem"_s, u"estime de soi"_s },
    { u"the child's play"_s, u"l'enfant joue"_s },
    { u"fear"_s, u"peur"_s },
};

} // namespace

class TestSearch : public QObject {
    Q_OBJECT

private slots:
    void init();
    void doublerApostrophes_data();
    void doublerApostrophes();
    void exactMatch();
    void prefixFallback();
    void queriesInOrder();
    void quotesReachEveryLiteral();
    void emptyAndBlankBoxes();
    void englishWindowFindsFirstInStoredOrder();
    void emptyResultDoesNotBlockTheNextSearch();
    void numPlacesTheBrowseCursor_data();
    void numPlacesTheBrowseCursor();
    void keyHandler();
    void newSearch();
    void wordsNoQueryCanHold_data();
    void wordsNoQueryCanHold();
    void pastedTextSkipsBeginningsLongerThanAnyEntry();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSearch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QList<QPair<QString, QString>> englishOrder = frenchOrder;
    std::sort(englishOrder.begin(), englishOrder.end());
    englishOrder.append({ u"fear"_s, u"crainte"_s }); // a second "fear", later in stored order
    writeDictionary(m_dir->path(), numbered(frenchOrder), numbered(englishOrder));
}

void TestSearch::doublerApostrophes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("none") << u"anxiété"_s << u"anxiété"_s;
    QTest::newRow("inside") << u"l'a"_s << u"l''a"_s;
    QTest::newRow("alone") << u"'"_s << u"''"_s;
    QTest::newRow("at the end") << u"aujourd'hui l'"_s << u"aujourd''hui l''"_s;
    QTest::newRow("already doubled") << u"''"_s << u"''''"_s;
}

void TestSearch::doublerApostrophes()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(doubler_apostrophes(text), expected);

    // A pasted run of quotes as long as a text box can hold, and more.
    const QString many(100000, u'\'');
    const QString doubled = doubler_apostrophes(many);
    QCOMPARE(doubled.size(), 200000);
    QCOMPARE(doubled, QString(200000, u'\''));
}

void TestSearch::exactMatch()
{
    Window f1(Direction::frenchToEnglish(), m_dir->path());
    QVERIFY(f1.presenter.messages.isEmpty());
    f1.search(u"ANXIETE"_s);
    QCOMPARE(f1.presenter.messages, QStringList());
    QCOMPARE(f1.view.english, u"anxiety"_s);
    QCOMPARE(f1.view.french, u"anxiété"_s);
    QCOMPARE(f1.browseField(u"Frensh"_s), u"anxiété"_s);
    // Navigation continues from the entry found.
    QVERIFY(f1.data.browse->moveNext());
    QCOMPARE(f1.browseField(u"Frensh"_s), u"anxiété de séparation"_s);
}

void TestSearch::prefixFallback()
{
    Window f1(Direction::frenchToEnglish(), m_dir->path());
    // A typing error in the fourth character: "anxi" is left, and the first entry longer than
    // it that begins with it is shown.
    f1.search(u"anxuete"_s);
    QCOMPARE(f1.view.french, u"anxiété"_s);
    QCOMPARE(f1.data.lookup->recordSource(), u"select * from Ps where [Frensh] Between 'anx *'  and 'anxz*' order by Frensh ASC "_s);
    // A beginning that equals no entry shows the first entry that begins with it.
    f1.search(u"est"_s);
    QCOMPARE(f1.view.french, u"estime de soi"_s);
    QCOMPARE(f1.view.english, u"self-esteem"_s);
    QCOMPARE(f1.browseField(u"num"_s), u"6"_s);
    // "enfant" equals an entry, but "enfantin" only finds it through a shorter word that
    // finds longer entries first: "enfan" takes in "enfant".
    f1.search(u"enfantin"_s);
    QCOMPARE(f1.view.french, u"enfant"_s);
    QCOMPARE(f1.presenter.messages, QStringList());
}

void TestSearch::queriesInOrder()
{
    // Every query of a search that runs down to the empty word: n + 2 for a word of n.
    QStringList queries;
    QTemporaryDir dir;
    writeDictionary(dir.path(), numbered({ { u"zeal"_s, u"zèle"_s } }), numbered({ { u"zeal"_s, u"zèle"_s } }));
    auto description = ConnectionDescription::read(dir.filePath(u"d0.UDL"_s), dir.path());
    auto store = openStore(*description);
    QVERIFY(store);
    (*store)->setQueryObserver([&queries](const QString& query) { queries.append(query); });
    Cursor browse(*store), lookup(*store);
    browse.setRecordSource(Direction::frenchToEnglish().browseSource);
    QVERIFY(browse.refresh());
    FakeView view;
    RecordingPresenter presenter;
    RecordingBusyPointer busy;
    DictionaryOperations operations(Direction::frenchToEnglish(), browse, lookup, Direction::frenchToEnglish().letterStarts, view, presenter, busy);
    view.source = u"ab"_s;
    queries.clear();
    operations.afficher_resultat();
    QCOMPARE(queries, (QStringList {
                          u"select * from Ps where [Frensh] = 'ab' order by frensh "_s,
                          u"select * from Ps where [Frensh] Between 'ab *'  and 'abz*' order by Frensh ASC "_s,
                          u"select * from Ps where [Frensh] Between 'a *'  and 'az*' order by Frensh ASC "_s,
                          u"select * from Ps where [Frensh] Between ' *'  and 'z*' order by Frensh ASC "_s,
                      }));
    QCOMPARE(presenter.messages.size(), 1);
    QVERIFY2(presenter.messages[0].startsWith(u"5"_s) && presenter.messages[0].endsWith(u"afficher_resultat"_s), qPrintable(presenter.messages[0]));
    QCOMPARE(view.english, u"(untouched)"_s);
}

void TestSearch::quotesReachEveryLiteral()
{
    Window f1(Direction::frenchToEnglish(), m_dir->path());
    f1.search(u"l'enfant joue"_s);
    QCOMPARE(f1.view.english, u"the child's play"_s);
    QCOMPARE(f1.data.lookup->recordSource(), u"select * from Ps where [Frensh] = 'l''enfant joue' order by frensh "_s);

    f1.search(u"l'"_s);
    QCOMPARE(f1.data.lookup->recordSource(), u"select * from Ps where [Frensh] Between 'l'' *'  and 'l''z*' order by Frensh ASC "_s);
    QCOMPARE(f1.view.french, u"l'enfant joue"_s);

    // Quotes alone, and text that would close the literal early, stay inside it.
    f1.search(u"' or 1=1 --"_s);
    QCOMPARE(f1.presenter.messages, QStringList());
    QCOMPARE(f1.view.french, u"aboulie"_s); // down to the empty word: the first entry
}

void TestSearch::emptyAndBlankBoxes()
{
    Window f1(Direction::frenchToEnglish(), m_dir->path());
    const QString lookupBefore = f1.data.lookup->recordSource();
    f1.search(QString());
    QCOMPARE(f1.view.english, u"abulia"_s);
    QCOMPARE(f1.view.french, u"aboulie"_s);
    QCOMPARE(f1.data.lookup->recordSource(), lookupBefore); // no query ran
    QCOMPARE(f1.busy.events, QStringList());

    f1.search(u"   "_s);
    QCOMPARE(f1.data.lookup->recordSource(), u"select * from Ps where [Frensh] Between ' *'  and 'z*' order by Frensh ASC "_s);
    QCOMPARE(f1.busy.events, (QStringList { u"hourglass"_s, u"default"_s }));
    QCOMPARE(f1.view.busyEvents, (QList<bool> { true, false }));
}

void TestSearch::englishWindowFindsFirstInStoredOrder()
{
    Window eng2(Direction::englishToFrench(), m_dir->path());
    eng2.search(u"Fear"_s);
    QCOMPARE(eng2.view.french, u"peur"_s);
    QCOMPARE(eng2.data.lookup->recordSource(), u"select * from Ps where [English] = 'Fear'"_s);
    eng2.search(u"anxiety a"_s);
    QCOMPARE(eng2.view.english, u"anxiety attack"_s);
    QCOMPARE(eng2.browseField(u"English"_s), u"anxiety attack"_s);
}

void TestSearch::emptyResultDoesNotBlockTheNextSearch()
{
    // No term lies between " *" and "z*": every search for an absent word ends empty.
    QTemporaryDir dir;
    const auto entries = numbered({ { u"zeal"_s, u"zèle"_s }, { u"zoophobia"_s, u"zoophobie"_s } });
    writeDictionary(dir.path(), entries, entries);
    Window f1(Direction::frenchToEnglish(), dir.path());
    f1.search(u"xyz"_s);
    QCOMPARE(f1.presenter.messages.size(), 1);
    QVERIFY(f1.presenter.messages[0].startsWith(u"5"_s));
    f1.search(u"zele"_s);
    QCOMPARE(f1.presenter.messages.size(), 1);
    QCOMPARE(f1.view.french, u"zèle"_s);
    // The same holds for the new search that moves both cursors.
    f1.search(u"xyz"_s);
    f1.presenter.messages.clear();
    f1.operations->Cmdnew_Click();
    QCOMPARE(f1.presenter.messages, QStringList());
}

void TestSearch::numPlacesTheBrowseCursor_data()
{
    QTest::addColumn<QString>("num");
    QTest::addColumn<QString>("browseEntry");
    QTest::addColumn<QString>("message");

    QTest::newRow("its own position") << u"2"_s << u"anxiété"_s << QString();
    QTest::newRow("another position") << u"1"_s << u"anorexie"_s << QString();
    QTest::newRow("half rounds to even") << u"2.5"_s << u"anxiété"_s << QString();
    QTest::newRow("other half rounds to even") << u"3.5"_s << u"crise d'angoisse"_s << QString();
    QTest::newRow("past the last") << u"99"_s << u"failure 3021"_s << QString();
    QTest::newRow("beyond 32 bits") << u"4294967297"_s << u"aboulie"_s << u"6Overflow: num 4294967297 is outside the 32-bit range"_s;
    QTest::newRow("not a number") << u"x1"_s << u"aboulie"_s << u"13Type mismatch: num \"x1\" is not a number"_s;
    QTest::newRow("missing") << QString() << u"aboulie"_s << u"94Invalid use of Null: the entry has no num"_s;
    // Below 0 names no entry either: reported, the browse cursor left on the first entry.
    QTest::newRow("below 0") << u"-3"_s << u"aboulie"_s << u"6Overflow: num -3 is below 0, before the first browse position"_s;
    QTest::newRow("small negative is 0") << u"-0.4"_s << u"aboulie"_s << QString();
}

void TestSearch::numPlacesTheBrowseCursor()
{
    QFETCH(QString, num);
    QFETCH(QString, browseEntry);
    QFETCH(QString, message);
    QList<Entry> french = numbered(frenchOrder);
    french[2].num = num; // the entry of "anxiété"
    writeDictionary(m_dir->path(), french, {});
    Window f1(Direction::frenchToEnglish(), m_dir->path());
    f1.search(u"anxiété"_s);
    QCOMPARE(f1.view.french, u"anxiété"_s);
    const QString shown = f1.browseField(u"Frensh"_s);
    QCOMPARE(shown, browseEntry);
    QCOMPARE(f1.presenter.messages, message.isEmpty() ? QStringList() : QStringList { message + u"afficher_resultat"_s });
}

void TestSearch::keyHandler()
{
    Window f1(Direction::frenchToEnglish(), m_dir->path());
    f1.view.source = u"peur"_s;
    for (char16_t key : { u'a', u'\n', u'\x1b', u'é' })
        f1.operations->sourceKeyPress(key);
    QCOMPARE(f1.view.english, u"(untouched)"_s);
    f1.operations->sourceKeyPress(13);
    QCOMPARE(f1.view.english, u"fear"_s);

    // The empty-box branch on an empty table reports as the search button would.
    QTemporaryDir dir;
    writeDictionary(dir.path(), {}, {});
    Window empty(Direction::englishToFrench(), dir.path());
    empty.operations->sourceKeyPress(13);
    QCOMPARE(empty.presenter.messages.size(), 1);
    QVERIFY(empty.presenter.messages[0].startsWith(u"3021"_s));
    QVERIFY(empty.presenter.messages[0].endsWith(u"cmdSearch_Click"_s));
    // With a word, the search itself reports: its first step has no first entry to go to.
    empty.view.source = u"fear"_s;
    empty.operations->sourceKeyPress(13);
    QCOMPARE(empty.presenter.messages.size(), 2);
    // A table with its header line alone: the message says which result is empty.
    QCOMPARE(empty.presenter.messages[1], u"3021No current entry: PS gives no entriesafficher_resultat"_s);
}

void TestSearch::newSearch()
{
    Window f1(Direction::frenchToEnglish(), m_dir->path());
    f1.search(u"peur"_s);
    f1.operations->Cmdnew_Click();
    QCOMPARE(f1.view.english, QString());
    QCOMPARE(f1.view.french, QString());
    QCOMPARE(f1.view.focusCount, 1);
    QVERIFY(f1.data.browse->moveNext());
    QCOMPARE(f1.browseField(u"Frensh"_s), u"anorexie"_s); // entry 1: the new search went back to the first

    Window eng2(Direction::englishToFrench(), m_dir->path());
    eng2.search(u"fear"_s);
    eng2.operations->Cmdnew_Click();
    QCOMPARE(eng2.view.english, QString());
    QVERIFY(eng2.data.browse->moveNext());
    QCOMPARE(eng2.browseField(u"English"_s), u"self-esteem"_s); // the entry after the one shown

    // Without a table the f1 new search still clears, then reports under "New".
    QTemporaryDir dir;
    writeDictionary(dir.path(), {}, {});
    Window empty(Direction::frenchToEnglish(), dir.path());
    empty.view.english = u"x"_s;
    empty.operations->Cmdnew_Click();
    QCOMPARE(empty.view.english, QString());
    QCOMPARE(empty.presenter.messages.size(), 1);
    QVERIFY(empty.presenter.messages[0].startsWith(u"3021"_s) && empty.presenter.messages[0].endsWith(u"New"_s));
}

void TestSearch::wordsNoQueryCanHold_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QString>("says");
    QTest::newRow("NUL") << u"pe"_s + QChar(0) + u"ur"_s << u"a NUL character at position 3"_s;
    QTest::newRow("lone high surrogate") << u"peur "_s + QChar(0xD83D) << u"an unpaired surrogate) at position 6"_s;
    QTest::newRow("lone low surrogate") << QString(QChar(0xDE00)) + u"😀"_s << u"at position 1"_s;
    QTest::newRow("swapped pair") << u"a"_s + QChar(0xDE00) + QChar(0xD83D) << u"at position 2"_s;
}

void TestSearch::wordsNoQueryCanHold()
{
    QFETCH(QString, word);
    QFETCH(QString, says);
    Window f1(Direction::frenchToEnglish(), m_dir->path());
    f1.search(u"peur"_s);
    f1.search(word);
    QCOMPARE(f1.presenter.messages.size(), 1);
    const QString message = f1.presenter.messages[0];
    QVERIFY2(message.startsWith(u"5Invalid procedure call or argument: the word holds "_s) && message.contains(says)
                 && message.endsWith(u"afficher_resultat"_s),
             qPrintable(message));
    // Nothing moved: the entry found before stays shown and current.
    QCOMPARE(f1.view.french, u"peur"_s);
    QCOMPARE(f1.browseField(u"Frensh"_s), u"peur"_s);
    // A pair in its right order is one character, and searched.
    f1.search(u"peur 😀"_s);
    QCOMPARE(f1.presenter.messages.size(), 1);
}

void TestSearch::pastedTextSkipsBeginningsLongerThanAnyEntry()
{
    const auto run = [this](const QString& word) {
        auto description = ConnectionDescription::read(m_dir->filePath(u"d0.UDL"_s), m_dir->path());
        auto store = openStore(*description).value();
        int queries = 0;
        store->setQueryObserver([&queries](const QString&) { ++queries; });
        Cursor browse(store), lookup(store);
        browse.setRecordSource(Direction::frenchToEnglish().browseSource);
        if (!browse.refresh())
            qFatal("the browse cursor did not open");
        FakeView view;
        RecordingPresenter presenter;
        RecordingBusyPointer busy;
        DictionaryOperations operations(Direction::frenchToEnglish(), browse, lookup, Direction::frenchToEnglish().letterStarts, view, presenter,
                                        busy);
        view.source = word;
        operations.afficher_resultat();
        return std::tuple { view.french, presenter.messages, browse.field(u"num"_s)->text, queries };
    };
    // The longest French entry, "anxiété de séparation", has 21 characters.
    const QString longest = u"anxiété de séparation"_s;
    for (const QString& word : QStringList { u"anxiété de séparation"_s + QString(30000, u'x'), u"estime"_s + QString(5000, u'q'),
                                 u"peur"_s + QString(3000, QChar(0x301)) + u"zz"_s, QString(200, u'\'') + u"x"_s,
                                 u"ANXIÉTÉ DE SÉPARATIONS"_s + QString(100, u' ') }) {
        const auto [french, messages, num, queries] = run(word);
        // Cut to 80 characters the word runs every query; the result is the same.
        const auto [cutFrench, cutMessages, cutNum, cutQueries] = run(word.left(80));
        QCOMPARE(french, cutFrench);
        QCOMPARE(messages, cutMessages);
        QCOMPARE(num, cutNum);
        // Beginnings of up to 20 folded characters, the empty one, the exact query and the one
        // for the bound; a beginning that differs only by accents that fold to nothing is one.
        QVERIFY2(queries <= longest.size() + 3, qPrintable(u"%1 queries for a word of %2"_s.arg(queries).arg(word.size())));
    }
    QCOMPARE(std::get<0>(run(u"estime"_s + QString(5000, u'q'))), u"estime de soi"_s);
    QCOMPARE(std::get<0>(run(u"peur"_s + QString(3000, QChar(0x301)) + u"zz"_s)), u"peur"_s);
}

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
