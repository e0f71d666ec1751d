// The entry view beside a dictionary window, the search inside the dictionary it offers, the
// closest entries after a word not found, the window's zoom, and what is remembered between runs.
#include <QCheckBox>
#include <QApplication>
#include <QDir>
#include <QJsonDocument>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

#include "dictionarywindow.h"
#include "direction.h"
#include "entrywindow.h"
#include "qtplatform.h"
#include "searchtext.h"
#include "store.h"
#include "tablestool.h"
#include "termindex.h"
#include "testservices.h"
#include "testsupport.h"
#include "usermemory.h"
#include "windowdata.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Two senses of "angoisse", a false friend, links, a definition that says what no headword does.
void writeTermBase(const QString& dir)
{
    writeTextFile(dir, u"t.tsv"_s,
                  "Frensh\tEnglish\tDirection\tSubfield\tLabelEn\tLabelFr\n"
                  "angoisse\tanxiety\tboth\tclinical\t\t\n"
                  "angoisse\tanguish\tboth\tpsychoanalysis\texistential\texistentielle\n"
                  "délire\tdelusion\tboth\tclinical\t\t\n"
                  "sevrage\twithdrawal\tboth\tclinical\t\t\n"
                  "trouble anxieux\tanxiety disorder\tboth\tclinical\t\t\n"
                  "trouble panique\tpanic disorder\tboth\tclinical\t\t\n"
                  "complexe d'Œdipe\tOedipus complex\tboth\tpsychoanalysis\t\t\n");
    writeTextFile(dir, u"t.grammar.tsv"_s,
                  "Language\tTerm\tPartOfSpeech\tGender\n"
                  "fr\tangoisse\tnoun\tf\nen\tanxiety\tnoun\t\nen\tanguish\tnoun\t\n"
                  "fr\tdélire\tnoun\tm\nen\tdelusion\tnoun\t\n"
                  "fr\tsevrage\tnoun\tm\nen\twithdrawal\tnoun\t\n"
                  "fr\ttrouble anxieux\tnoun\tm\nen\tanxiety disorder\tnoun\t\n"
                  "fr\ttrouble panique\tnoun\tm\nen\tpanic disorder\tnoun\t\n"
                  "fr\tcomplexe d'Œdipe\tnoun\tm\nen\tOedipus complex\tnoun\t\n");
    writeTextFile(dir, u"t.definitions.tsv"_s,
                  "French\tEnglish\tDefinitionFr\tDefinitionEn\n"
                  "délire\tdelusion\tConviction fausse et inébranlable.\tFixed false belief.\n"
                  "trouble panique\tpanic disorder\tTrouble fait d'attaques de panique récurrentes.\tDisorder of recurrent panic attacks.\n");
    writeTextFile(dir, u"t.notes.tsv"_s,
                  "Language\tTerm\tKind\tLookAlike\tNote\n"
                  "fr\tdélire\tfalse-friend\tdelirium\tÀ ne pas traduire par « delirium ».\n");
    writeTextFile(dir, u"t.links.tsv"_s,
                  "Language\tTerm\tRelation\tTarget\n"
                  "fr\ttrouble panique\tbroader\ttrouble anxieux\n");
}

QString pageText(EntryWindow* view)
{
    return view->findChild<QTextBrowser*>(u"entryText"_s)->toPlainText();
}

// Its keys reach a window only while it is the active one.
void activate(QWidget* window)
{
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        qWarning("the window did not become active");
}

QStringList lines(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

// What the index should answer, worked out the slow way from the words alone.
struct Row {
    QString head, translation;
};
bool beginsWith(const QStringList& words, const QStringList& query)
{
    if (words.size() < query.size())
        return false;
    for (qsizetype i = 0; i + 1 < query.size(); ++i) {
        if (words[i] != query[i])
            return false;
    }
    return words[query.size() - 1].startsWith(query.back());
}
bool holds(const QStringList& words, const QStringList& query)
{
    for (qsizetype i = 0; i < query.size(); ++i) {
        const bool last = i + 1 == query.size();
        if (std::none_of(words.cbegin(), words.cend(), [&](const QString& w) { return last ? w.startsWith(query[i]) : w == query[i]; }))
            return false;
    }
    return true;
}

} // namespace

class TestEntryView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void foldedWords_data();
    void foldedWords();
    void indexAgreesWithAScan();
    void viewFollowsItsWindow();
    void searchInsideIsFrenchAware();
    void closestAfterAWordNotFound();
    void zoomStaysInBoundsAndComesBackExactly();
    void rememberedFilesAreWholeAndBrokenOnesIgnored();

private:
    DictionaryWindow* open(bool french);
    QLineEdit* box(const QString& name) const { return m_window->findChild<QLineEdit*>(name); }
    void search(const QString& word);

    QTemporaryDir m_dir;
    QString m_data;
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<UserMemory> m_memory;
    std::unique_ptr<TestServices> m_test;
    std::unique_ptr<DictionaryWindow> m_window;
};

void TestEntryView::initTestCase()
{
    installFontSubstitutions();
    writeTermBase(m_dir.path());
    m_data = m_dir.filePath(u"data"_s);
    const CommandAnswer built = TablesTool::run({ u"build"_s, m_dir.filePath(u"t.tsv"_s), m_data }, QFileInfo(QStringLiteral(TABLES_TOOL)).path());
    QVERIFY2(built.status == 0, qPrintable(built.err));
}

void TestEntryView::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    m_memory = std::make_unique<UserMemory>(m_home->filePath(u"state/evelmora"_s), m_home->filePath(u"config/evelmora"_s));
    m_test = std::make_unique<TestServices>(m_data, u"/opt/evelmora"_s);
    m_test->windows.memory = m_memory.get();
}

void TestEntryView::cleanup()
{
    m_window.reset();
}

DictionaryWindow* TestEntryView::open(bool french)
{
    m_window.reset(french ? DictionaryWindow::createF1(m_test->windows) : DictionaryWindow::createEng2(m_test->windows));
    m_window->Form_Load();
    m_window->show();
    m_window->activateWindow();
    if (!QTest::qWaitForWindowActive(m_window.get()))
        qWarning("the window did not become active");
    return m_window.get();
}

void TestEntryView::search(const QString& word)
{
    QLineEdit* source = box(m_window->objectName() == u"f1" ? u"Text_fr"_s : u"Text_eng"_s);
    source->setFocus();
    source->clear();
    typeText(source, word);
    QTest::keyClick(source, Qt::Key_Return);
}

void TestEntryView::foldedWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folded");
    QTest::newRow("case and accents") << u"Anxiété ÉTAT"_s << u"anxiete etat"_s;
    QTest::newRow("ligatures") << u"Œdème, nævus"_s << u"oedeme naevu"_s;
    QTest::newRow("elisions") << u"l'angoisse d’abandon qu'il jusqu'au"_s << u"angoisse abandon il jusqu'au"_s.replace(u"jusqu'au"_s, u"au"_s);
    QTest::newRow("plurals") << u"troubles anxieux"_s << u"trouble anxieu"_s;
    QTest::newRow("kept endings") << u"stress bus tax"_s << u"stress bus tax"_s;
    QTest::newRow("an apostrophe not elided") << u"Alzheimer's"_s << u"alzheimer s"_s;
    QTest::newRow("what no query can hold") << (u"a"_s + QChar(0) + u"b "_s + QChar(0xd800) + u"c 🙂"_s) << u"a b c"_s;
    QTest::newRow("nothing") << u" -- ' "_s << QString();
}

void TestEntryView::foldedWords()
{
    QFETCH(QString, text);
    QFETCH(QString, folded);
    QCOMPARE(SearchText::folded(text), folded);
}

// Random headwords and translations over a small vocabulary, searched by random beginnings:
// the index gives what a plain scan of the folded words gives, in the dictionary's order.
void TestEntryView::indexAgreesWithAScan()
{
    const QStringList vocabulary { u"anxiété"_s, u"Angoisse"_s, u"l'état"_s, u"troubles"_s, u"trouble"_s, u"œdème"_s, u"peur"_s, u"peurs"_s,
                                   u"d'abandon"_s, u"panique"_s, u"stress"_s, u"phobie"_s, u"pan"_s };
    QRandomGenerator random(20261210);
    QList<QPair<QString, QString>> pairs;
    QSet<QString> heads;
    while (pairs.size() < 400) {
        const auto phrase = [&] {
            QStringList words;
            for (int n = 1 + int(random.bounded(3)); n > 0; --n)
                words << vocabulary[random.bounded(vocabulary.size())];
            return words.join(u' ');
        };
        const QString head = phrase();
        if (heads.contains(head))
            continue;
        heads.insert(head);
        pairs.append({ phrase(), head });
    }
    QTemporaryDir dir;
    writeDictionary(dir.path(), numbered(pairs), numbered(pairs));
    WindowData data = WindowData::open(Direction::frenchToEnglish(), dir.path());
    QVERIFY(data.store);
    auto rows = data.store->execute(u"SELECT * FROM Ps ORDER BY [Frensh]"_s);
    QVERIFY(rows);
    auto index = TermIndex::build(**rows, u"Frensh"_s);
    QVERIFY(index && *index);
    // A compiled store keeps the same index in its file.
    const QString compiledFile = dir.filePath(u"compiled.sqlite"_s);
    const Outcome compiled = data.store->compileTo(compiledFile);
    QVERIFY2(compiled, compiled ? "" : qPrintable(compiled.failure().description));
    auto kept = TermIndex::open(compiledFile, u"Frensh"_s);
    QVERIFY(kept && *kept);
    QVERIFY(TermIndex::open(compiledFile, u"English"_s) && !*TermIndex::open(compiledFile, u"English"_s)); // not indexed for that field
    QList<Row> ordered;
    auto again = data.store->execute(u"SELECT * FROM Ps ORDER BY [Frensh]"_s);
    QVERIFY(again);
    for (qsizetype row = 0; *(*again)->hasRow(row); ++row)
        ordered.append({ (*again)->value(row, (*again)->columnIndex(u"Frensh")).text, (*again)->value(row, (*again)->columnIndex(u"English")).text });
    for (int i = 0; i < 300; ++i) {
        QString query = vocabulary[random.bounded(vocabulary.size())];
        if (random.bounded(2))
            query += u' ' + vocabulary[random.bounded(vocabulary.size())].left(1 + int(random.bounded(4)));
        else
            query = query.left(2 + int(random.bounded(4)));
        const QStringList words = SearchText::words(query);
        if (words.isEmpty()) { // an elision alone: no word to search
            QVERIFY((*index)->search(query, 10)->beginning.isEmpty());
            continue;
        }
        QStringList beginning, translated;
        for (const Row& row : ordered) {
            const QStringList head = SearchText::words(row.head);
            const QStringList translation = SearchText::words(row.translation);
            if (beginning.contains(row.head) || translated.contains(row.head))
                continue;
            // A single letter is looked for at the start of headwords only.
            if (beginsWith(head, words))
                beginning << row.head;
            else if (words.join(QString()).size() > 1 && holds(head + translation, words))
                translated << row.head;
        }
        auto hits = (*index)->search(query, 100000);
        QVERIFY(hits);
        auto fromFile = (*kept)->search(query, 100000);
        QVERIFY(fromFile);
        QCOMPARE(fromFile->beginning + fromFile->translated, hits->beginning + hits->translated);
        QCOMPARE(hits->beginning, beginning);
        QVERIFY(hits->containing.isEmpty()); // these tables have no other words
        // A later sense may put a headword in the first list: compare the rest as sets.
        QStringList rest = hits->translated;
        QStringList expected = translated;
        rest.sort();
        expected.sort();
        QVERIFY2(rest == expected, qPrintable(query + u": "_s + rest.join(u", "_s) + u" / "_s + expected.join(u", "_s)));
    }
}

void TestEntryView::viewFollowsItsWindow()
{
    open(true);
    QTest::keyClick(m_window.get(), Qt::Key_I, Qt::ControlModifier);
    auto* view = m_window->findChild<EntryWindow*>();
    QVERIFY(view && view->isVisible());
    search(u"angoisse"_s);
    QTRY_COMPARE(view->windowTitle(), u"Fiche — angoisse"_s);
    // Both senses at once, each with its grammar, label and subfield.
    const QString both = pageText(view);
    for (const QString& part : { u"1. n.f. [psychologie clinique]"_s, u"anxiety n."_s, u"2. n.f. [existential — psychanalyse]"_s, u"anguish n."_s })
        QVERIFY2(both.contains(part), qPrintable(both));
    // A step of the window, and the view follows.
    m_window->findChild<QPushButton*>(u"cmdAvance"_s)->click();
    m_window->findChild<QPushButton*>(u"cmdAvance"_s)->click();
    QTRY_COMPARE(view->windowTitle(), u"Fiche — "_s + box(u"Text_fr"_s)->text());
    search(u"délire"_s);
    QTRY_VERIFY(pageText(view).contains(u"⚠ Attention, faux ami : À ne pas traduire par « delirium »."_s));
    QVERIFY(pageText(view).contains(u"Définition : Conviction fausse et inébranlable."_s));
    // The other language's definition, a key away.
    activate(view);
    QTest::keyClick(view, Qt::Key_T, Qt::ControlModifier);
    QVERIFY(pageText(view).contains(u"Définition (anglais) : Fixed false belief."_s));
    // A related term: activating it searches it in the window.
    search(u"trouble panique"_s);
    QTRY_VERIFY(pageText(view).contains(u"terme générique : trouble anxieux"_s));
    emit view->findChild<QTextBrowser*>(u"entryText"_s)->anchorClicked(QUrl(u"term:trouble%20anxieux"_s));
    QCOMPARE(box(u"Text_fr"_s)->text(), u"trouble anxieux"_s);
    QTRY_COMPARE(view->windowTitle(), u"Fiche — trouble anxieux"_s);

    // The English window's view speaks English and spells the French gender out.
    open(false);
    QTest::keyClick(m_window.get(), Qt::Key_I, Qt::ControlModifier);
    view = m_window->findChild<EntryWindow*>();
    search(u"delusion"_s);
    QTRY_COMPARE(view->windowTitle(), u"Entry — delusion"_s);
    QVERIFY2(pageText(view).contains(u"délire n. (masculine)"_s), qPrintable(pageText(view)));
    QVERIFY(pageText(view).contains(u"Definition: Fixed false belief."_s));
}

void TestEntryView::searchInsideIsFrenchAware()
{
    open(true);
    QTest::keyClick(m_window.get(), Qt::Key_I, Qt::ControlModifier);
    auto* view = m_window->findChild<EntryWindow*>();
    auto* searchBox = view->findChild<QLineEdit*>(u"entrySearch"_s);
    auto* results = view->findChild<QListWidget*>(u"entryResults"_s);
    QCOMPARE(searchBox->accessibleName(), u"Rechercher dans le dictionnaire"_s);
    QCOMPARE(results->accessibleName(), u"Résultats"_s);
    auto* index = view->findChild<EntrySearch*>();
    QVERIFY(index);
    // Until the index is ready, the entries beginning with the text.
    searchBox->setFocus();
    typeText(searchBox, u"sev"_s);
    if (index->state() == EntrySearch::State::Preparing)
        QCOMPARE(lines(results), QStringList { u"sevrage"_s });
    QTRY_COMPARE_WITH_TIMEOUT(index->state(), EntrySearch::State::Ready, 20000);
    const auto found = [&](const QString& text) {
        QSignalSpy answered(index, &EntrySearch::found);
        searchBox->clear();
        typeText(searchBox, text); // one question a character; the last is the one shown
        while (answered.isEmpty() || answered.last().at(0).toString() != text) {
            if (!answered.wait(5000))
                return QStringList { u"(no answer)"_s };
        }
        return lines(results);
    };
    QCOMPARE(found(u"WITHDRAWALS"_s), QStringList { u"sevrage"_s });
    QCOMPARE(found(u"Angoisse"_s), QStringList { u"angoisse"_s });
    QCOMPARE(found(u"l'oedipe"_s), QStringList { u"complexe d'Œdipe"_s });
    QCOMPARE(found(u"anx"_s), (QStringList { u"angoisse"_s, u"trouble anxieux"_s })); // in a translation or a headword
    QCOMPARE(found(u"l'inebranlable"_s), QStringList { u"délire (texte)"_s });
    QCOMPARE(found(u"zzz"_s), QStringList());
    // Enter takes the first line into the window.
    found(u"withdrawal"_s);
    QTest::keyClick(searchBox, Qt::Key_Return);
    QCOMPARE(box(u"Text_fr"_s)->text(), u"sevrage"_s);
}

void TestEntryView::closestAfterAWordNotFound()
{
    open(false);
    auto* list = m_window->findChild<QListWidget*>(u"completionList"_s);
    search(u"delusoin"_s);
    QVERIFY(list->isVisible());
    QCOMPARE(list->item(0)->text(), u"Not found — closest entries:"_s);
    QVERIFY(lines(list).contains(u"delusion"_s));
    // The first line is no entry: Down goes past it, Enter takes the line under it.
    QLineEdit* source = box(u"Text_eng"_s);
    const QString first = list->item(1)->text();
    QTest::keyClick(source, Qt::Key_Down);
    QTest::keyClick(source, Qt::Key_Return);
    QCOMPARE(source->text(), first);
    QVERIFY(list->isHidden());
    // Found whatever the case: nothing to offer.
    search(u"DELUSION"_s);
    QVERIFY(list->isHidden());
    search(u"delusoin"_s);
    QTest::keyClick(source, Qt::Key_Escape);
    QVERIFY(list->isHidden());
    QCOMPARE(source->text(), u"delusion"_s); // Escape closed the list, not the search
}

void TestEntryView::zoomStaysInBoundsAndComesBackExactly()
{
    open(true);
    const QImage before = m_window->grab().toImage();
    const QSize size = m_window->size();
    const qreal points = box(u"Text_fr"_s)->font().pointSizeF();
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(m_window.get(), Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(m_window->zoom(), 200);
    QCOMPARE(m_window->size(), size * 2);
    QCOMPARE(box(u"Text_fr"_s)->font().pointSizeF(), 2 * points);
    QCOMPARE(box(u"Text_fr"_s)->geometry().width(), 2 * 505);
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(m_window.get(), Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(m_window->zoom(), 80);
    QTest::keyClick(m_window.get(), Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(m_window->zoom(), 100);
    QCOMPARE(m_window->grab().toImage(), before);
    // Remembered for the next window.
    QTest::keyClick(m_window.get(), Qt::Key_Equal, Qt::ControlModifier);
    open(true);
    QCOMPARE(m_window->zoom(), 110);
}

void TestEntryView::rememberedFilesAreWholeAndBrokenOnesIgnored()
{
    const QString state = m_home->filePath(u"state/evelmora"_s);
    const QString config = m_home->filePath(u"config/evelmora"_s);
    // Searches without the history turned on are kept nowhere.
    open(true);
    search(u"délire"_s);
    QVERIFY(!QDir(state).exists());
    QTest::keyClick(m_window.get(), Qt::Key_I, Qt::ControlModifier);
    auto* view = m_window->findChild<EntryWindow*>();
    QTRY_COMPARE(view->windowTitle(), u"Fiche — délire"_s);
    QCOMPARE(lines(view->findChild<QListWidget*>(u"entryHistory"_s)), QStringList { u"délire"_s });
    QTest::mouseClick(view->findChild<QToolButton*>(u"entryStar"_s), Qt::LeftButton);
    QVERIFY(view->findChild<QToolButton*>(u"entryStar"_s)->isChecked());
    // Written whole: the file alone, nothing left beside it.
    QCOMPARE(QDir(state).entryList(QDir::Files | QDir::Hidden), QStringList { u"favourites.json"_s });
    QCOMPARE(UserMemory(state, config).favourites(), (QList<UserMemory::Favourite> { { true, u"délire"_s } }));
    view->findChild<QCheckBox*>(u"entryRememberHistory"_s)->click();
    search(u"sevrage"_s);
    QCOMPARE(UserMemory(state, config).history(true), (QStringList { u"délire"_s, u"sevrage"_s }));
    view->findChild<QCheckBox*>(u"entryRememberHistory"_s)->click();
    QVERIFY(!QFile::exists(state + u"/history.json"_s)); // turned off: forgotten

    // Broken files, or values of the wrong kind, are passed over.
    m_window.reset();
    writeTextFile(state, u"favourites.json"_s, "{\"favourites\": [{\"direction\": \"fr-en\", \"term\": ");
    writeTextFile(config, u"settings.json"_s, "{\"zoom\": {\"f1\": \"large\"}, \"rememberHistory\": 3}");
    m_memory = std::make_unique<UserMemory>(state, config);
    m_test->windows.memory = m_memory.get();
    open(true);
    QCOMPARE(m_window->zoom(), 100);
    QVERIFY(m_memory->favourites().isEmpty());
    QVERIFY(!m_memory->rememberHistory());
    QTest::keyClick(m_window.get(), Qt::Key_I, Qt::ControlModifier);
    QVERIFY(m_window->findChild<EntryWindow*>()->isVisible());
}

QTEST_MAIN(TestEntryView)
#include "tst_entryview.moc"
