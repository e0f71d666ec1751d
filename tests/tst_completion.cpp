// The list under the source box, the words searched before, and the keys of a desktop program,
// in a real window over a small dictionary; and what the list offers, on awkward tables.
#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "direction.h"
#include "dictionarywindow.h"
#include "qtplatform.h"
#include "termfinder.h"
#include "testservices.h"
#include "testsupport.h"
#include "windowdata.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// (English, French) pairs in the order each table browses them.
const QList<QPair<QString, QString>> frenchOrder {
    { u"abulia"_s, u"aboulie"_s },
    { u"anguish"_s, u"angoisse"_s },
    { u"anxiety"_s, u"angoisse"_s },
    { u"anxiety"_s, u"anxiété"_s },
    { u"separation anxiety"_s, u"anxiété de séparation"_s },
    { u"social anxiety"_s, u"anxiété sociale"_s },
    { u"attachment"_s, u"attachement"_s },
    { u"Oedipus complex"_s, u"complexe d'Œdipe"_s },
    { u"law of effect"_s, u"loi de l'effet"_s },
    { u"fear"_s, u"peur"_s },
    { u"phobia"_s, u"phobie"_s },
    { u"schizophrenia"_s, u"schizophrénie"_s },
};

QStringList items(const QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

} // namespace

class TestCompletion : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void listFollowsTheTyping();
    void closestWhenNothingBegins();
    void enterWithoutAChoiceIsTheSearch();
    void choosingFromTheList();
    void historyOfTheWindow();
    void desktopKeys();
    void awkwardTables();
    void lookUpFromOutside();

private:
    DictionaryWindow* open(bool french);
    QLineEdit* box(const QString& name) const { return m_window->findChild<QLineEdit*>(name); }
    QListWidget* list() const { return m_window->findChild<QListWidget*>(u"completionList"_s); }

    QTemporaryDir m_dir;
    std::unique_ptr<TestServices> m_test;
    std::unique_ptr<DictionaryWindow> m_window;
};

void TestCompletion::initTestCase()
{
    installFontSubstitutions();
    QList<QPair<QString, QString>> englishOrder = frenchOrder;
    std::stable_sort(englishOrder.begin(), englishOrder.end(), [](const auto& a, const auto& b) { return a.first.toLower() < b.first.toLower(); });
    writeDictionary(m_dir.path(), numbered(frenchOrder), numbered(englishOrder));
}

void TestCompletion::init()
{
    m_test = std::make_unique<TestServices>(m_dir.path(), u"/opt/evelmora"_s);
}

void TestCompletion::cleanup()
{
    m_window.reset();
}

DictionaryWindow* TestCompletion::open(bool french)
{
    m_window.reset(french ? DictionaryWindow::createF1(m_test->windows) : DictionaryWindow::createEng2(m_test->windows));
    m_window->Form_Load();
    m_window->show();
    m_window->activateWindow();
    // Keys of the window reach it only while it is the active one.
    if (!QTest::qWaitForWindowActive(m_window.get()))
        qWarning("the window did not become active");
    return m_window.get();
}

void TestCompletion::listFollowsTheTyping()
{
    open(true);
    QLineEdit* source = box(u"Text_fr"_s);
    QVERIFY(list()->isHidden());
    typeText(source, u"an"_s);
    QVERIFY(list()->isVisible());
    // One line for the two senses of "angoisse", the ordering's order, nothing chosen.
    QCOMPARE(items(list()), (QStringList { u"angoisse"_s, u"anxiété"_s, u"anxiété de séparation"_s, u"anxiété sociale"_s }));
    QCOMPARE(list()->currentRow(), -1);
    QVERIFY(list()->geometry().top() >= source->geometry().bottom());
    // What a screen reader is given: the list by its name, its lines as its children.
    QAccessibleInterface* readable = QAccessible::queryAccessibleInterface(list());
    QVERIFY(readable);
    QCOMPARE(readable->text(QAccessible::Name), u"Mots du dictionnaire"_s);
    QCOMPARE(readable->role(), QAccessible::List);
    QStringList lines;
    for (int i = 0; i < readable->childCount(); ++i)
        lines << readable->child(i)->text(QAccessible::Name);
    QCOMPARE(lines, items(list()));
    QCOMPARE(source->text(), u"an"_s);
    QCOMPARE(box(u"Text_eng"_s)->text(), QString()); // typing alone searches nothing

    // Capitals and accents are ignored both ways.
    source->clear();
    typeText(source, u"ANXIÉTÉ S"_s);
    QCOMPARE(items(list()), QStringList { u"anxiété sociale"_s });
    source->clear();
    typeText(source, u"anxiete de"_s);
    QCOMPARE(items(list()), QStringList { u"anxiété de séparation"_s });
    // A quote is a letter like any other; a ligature is its two letters.
    source->clear();
    typeText(source, u"loi de l'"_s);
    QCOMPARE(items(list()), QStringList { u"loi de l'effet"_s });
    source->clear();
    typeText(source, u"complexe d'oe"_s);
    QCOMPARE(items(list()), QStringList { u"complexe d'Œdipe"_s });
    // Emptied, the list goes.
    QTest::keyClick(source, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(source, Qt::Key_Backspace);
    QVERIFY(list()->isHidden());

    // The longest text the box takes, pasted: no list, no message.
    QGuiApplication::clipboard()->setText(QString(32767, u'a'));
    QTest::keyClick(source, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(source->text().size(), 32767);
    QVERIFY(list()->isHidden());
    QCOMPARE(m_test->presenter.messages, QStringList());

    // Text no query can hold is no reason for a message either.
    source->clear();
    QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, u"a"_s + QChar(0xD800));
    QApplication::sendEvent(source, &typed);
    QVERIFY(list()->isHidden());
    QCOMPARE(m_test->presenter.messages, QStringList());

    // The English window lists its own field.
    open(false);
    typeText(box(u"Text_eng"_s), u"a"_s);
    QCOMPARE(items(list()), (QStringList { u"abulia"_s, u"anguish"_s, u"anxiety"_s, u"attachment"_s }));
}

void TestCompletion::closestWhenNothingBegins()
{
    open(true);
    QLineEdit* source = box(u"Text_fr"_s);
    typeText(source, u"schizofrenie"_s);
    QCOMPARE(items(list()), QStringList { u"schizophrénie"_s });
    QVERIFY(list()->accessibleDescription().contains(u"proches"_s));
    source->clear();
    typeText(source, u"anxeite"_s);
    QCOMPARE(items(list()).value(0), u"anxiété"_s);
    // Nothing near: no list.
    source->clear();
    typeText(source, u"zzzzzz"_s);
    QVERIFY(list()->isHidden());
    // Entries that begin with the text again: their list, no longer the closest.
    source->clear();
    typeText(source, u"phob"_s);
    QCOMPARE(items(list()), QStringList { u"phobie"_s });
    QVERIFY(!list()->accessibleDescription().contains(u"proches"_s));
    QCOMPARE(m_test->presenter.messages, QStringList());
}

void TestCompletion::enterWithoutAChoiceIsTheSearch()
{
    // What Enter finds for a word, in a window where the list never showed.
    const auto searched = [this](const QString& word, bool closeListFirst) -> QString {
        open(true);
        QLineEdit* source = box(u"Text_fr"_s);
        typeText(source, word);
        if (closeListFirst) {
            QTest::keyClick(source, Qt::Key_Escape);
            if (list()->isVisible())
                return u"(list still open)"_s;
        }
        QTest::keyClick(source, Qt::Key_Return);
        return source->text() + u" | "_s + box(u"Text_eng"_s)->text() + u" | "_s + m_test->presenter.messages.join(u'/');
    };
    for (const QString& word : { u"anx"_s, u"schizofrenie"_s, u"peur"_s, u"zzz"_s, u"xnxiete"_s }) {
        const QString withList = searched(word, false);
        const QString closed = searched(word, true);
        QCOMPARE(withList, closed);
    }
    // The list offers "anxiété" for this one; the search lands where it always did.
    QCOMPARE(searched(u"xnxiete"_s, false), u"aboulie | abulia | "_s);
    // The fallback of the window, not the first line of the list.
    open(true);
    typeText(box(u"Text_fr"_s), u"schizofrenie"_s);
    QVERIFY(list()->isVisible());
    QTest::keyClick(box(u"Text_fr"_s), Qt::Key_Return);
    QCOMPARE(box(u"Text_fr"_s)->text(), u"schizophrénie"_s); // the entry of its beginning "schiz"
    QCOMPARE(box(u"Text_eng"_s)->text(), u"schizophrenia"_s);
    // The word itself was not found: the list says so at once, the closest entries under it.
    QVERIFY(list()->isVisible());
    QCOMPARE(list()->item(0)->text(), u"Pas trouvé — entrées proches :"_s);

    // Escape: first the list, then the window's new search.
    open(true);
    typeText(box(u"Text_fr"_s), u"an"_s);
    QTest::keyClick(box(u"Text_fr"_s), Qt::Key_Escape);
    QVERIFY(list()->isHidden());
    QCOMPARE(box(u"Text_fr"_s)->text(), u"an"_s);
    QTest::keyClick(box(u"Text_fr"_s), Qt::Key_Escape);
    QCOMPARE(box(u"Text_fr"_s)->text(), QString());
}

void TestCompletion::choosingFromTheList()
{
    open(true);
    QLineEdit* source = box(u"Text_fr"_s);
    typeText(source, u"an"_s);
    QTest::keyClick(source, Qt::Key_Down);
    QCOMPARE(list()->currentRow(), 0);
    QTest::keyClick(source, Qt::Key_Down);
    QTest::keyClick(source, Qt::Key_Down);
    QTest::keyClick(source, Qt::Key_Up);
    QCOMPARE(list()->currentRow(), 1);
    QCOMPARE(source->text(), u"an"_s); // moving through the list leaves the typing alone
    QTest::keyClick(source, Qt::Key_Enter);
    QVERIFY(list()->isHidden());
    QCOMPARE(source->text(), u"anxiété"_s);
    QCOMPARE(box(u"Text_eng"_s)->text(), u"anxiety"_s);

    // Down at the bottom stays there.
    source->clear();
    typeText(source, u"ph"_s);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(source, Qt::Key_Down);
    QCOMPARE(list()->currentRow(), 0);

    // A click takes the line clicked.
    source->clear();
    typeText(source, u"anxiété"_s);
    QListWidgetItem* social = list()->findItems(u"anxiété sociale"_s, Qt::MatchExactly).value(0);
    QVERIFY(social);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(social).center());
    QCOMPARE(source->text(), u"anxiété sociale"_s);
    QCOMPARE(box(u"Text_eng"_s)->text(), u"social anxiety"_s);
    QVERIFY(list()->isHidden());
    QCOMPARE(m_test->presenter.messages, QStringList());
}

void TestCompletion::historyOfTheWindow()
{
    open(true);
    QLineEdit* source = box(u"Text_fr"_s);
    const auto search = [&](const QString& word) {
        source->clear();
        typeText(source, word);
        QTest::keyClick(source, Qt::Key_Return);
    };
    search(u"peur"_s);
    search(u"phobie"_s);
    search(u"phobie"_s); // the same word twice running is one step back
    source->clear();
    typeText(source, u"anx"_s);
    m_window->findChild<QPushButton*>(u"cmdSearch"_s)->click(); // the button's search counts too

    const auto back = [&](Qt::Key key) {
        QTest::keyClick(source, key, Qt::AltModifier);
        return source->text();
    };
    QCOMPARE(back(Qt::Key_Up), u"anx"_s);
    QCOMPARE(source->selectedText(), u"anx"_s);
    QCOMPARE(back(Qt::Key_Up), u"phobie"_s);
    QCOMPARE(back(Qt::Key_Up), u"peur"_s);
    QCOMPARE(back(Qt::Key_Up), u"peur"_s); // the oldest
    QCOMPARE(back(Qt::Key_Down), u"phobie"_s);
    QCOMPARE(back(Qt::Key_Down), u"anx"_s);
    QCOMPARE(back(Qt::Key_Down), QString()); // past the newest, an empty box
    QCOMPARE(back(Qt::Key_Down), QString());
    // Recalling does not search.
    QCOMPARE(box(u"Text_eng"_s)->text(), u"anxiety"_s);

    // A window opened anew remembers nothing.
    open(true);
    QTest::keyClick(box(u"Text_fr"_s), Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(box(u"Text_fr"_s)->text(), QString());
}

void TestCompletion::desktopKeys()
{
    open(true);
    QLineEdit* source = box(u"Text_fr"_s);
    typeText(source, u"anxiété"_s);
    QTest::keyClick(source, Qt::Key_Return);
    QCOMPARE(box(u"Text_eng"_s)->text(), u"anxiety"_s);

    // Page Down and Page Up are the next and previous buttons.
    QTest::keyClick(source, Qt::Key_PageDown);
    QCOMPARE(box(u"Text_eng"_s)->text(), u"separation anxiety"_s);
    QTest::keyClick(source, Qt::Key_PageUp);
    QTest::keyClick(source, Qt::Key_PageUp);
    QCOMPARE(box(u"Text_eng"_s)->text(), u"anxiety"_s);
    QCOMPARE(box(u"Text_fr"_s)->text(), u"angoisse"_s);

    // Ctrl+Shift+C copies the translation shown.
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(source, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"anxiety"_s);

    // Ctrl+L and Ctrl+F: back to the source box, its text selected.
    for (const Qt::Key key : { Qt::Key_L, Qt::Key_F }) {
        m_window->findChild<QPushButton*>(u"cmdPremier"_s)->setFocus();
        QTest::keyClick(m_window.get(), key, Qt::ControlModifier);
        QCOMPARE(m_window->focusWidget(), source);
        QCOMPARE(source->selectedText(), u"angoisse"_s);
    }

    // Ctrl+P is the print button.
    auto* print = m_window->findChild<QPushButton*>(u"cmdImprimer"_s);
    QSignalSpy pressed(print, &QPushButton::clicked);
    QTest::keyClick(source, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(pressed.size(), 1);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != m_window.get())
            window->close();
    }
}

void TestCompletion::awkwardTables()
{
    QTemporaryDir dir;
    const Direction& direction = Direction::frenchToEnglish();
    const auto finderOver = [&](const QString& name, const QList<QPair<QString, QString>>& pairs) {
        const QString path = dir.filePath(name);
        writeDictionary(path, numbered(pairs), numbered(pairs));
        WindowData data = WindowData::open(direction, path);
        return std::make_unique<TermFinder>(data.store, direction);
    };

    const auto empty = finderOver(u"empty"_s, {});
    QCOMPARE(empty->listFor(u"a"_s).terms, QStringList());
    QCOMPARE(empty->listFor(u"anxeity"_s).terms, QStringList());

    const auto one = finderOver(u"one"_s, { { u"anxiety"_s, u"anxiété"_s } });
    QCOMPARE(one->listFor(u"A"_s).terms, QStringList { u"anxiété"_s });
    QCOMPARE(one->listFor(u"anxeite"_s).terms, QStringList { u"anxiété"_s });
    QVERIFY(one->listFor(u"anxeite"_s).closest);
    QCOMPARE(one->listFor(u"peur"_s).terms, QStringList());

    // Twelve entries that share forty letters: the first ten of them, then the end decides.
    const QString beginning = u"psychologie expérimentale et appliquée "_s;
    QList<QPair<QString, QString>> shared;
    for (const char* end : { "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "lm" })
        shared.append({ QString::fromLatin1(end), beginning + QString::fromLatin1(end) });
    const auto alike = finderOver(u"alike"_s, shared);
    const TermFinder::List ten = alike->listFor(beginning);
    QCOMPARE(ten.terms.size(), TermFinder::length);
    QCOMPARE(ten.terms.first(), beginning + u"a"_s);
    QCOMPARE(ten.terms.last(), beginning + u"j"_s);
    QCOMPARE(alike->listFor(beginning + u"l"_s).terms, QStringList { beginning + u"lm"_s });
    const TermFinder::List typo = alike->listFor(beginning + u"ml"_s);
    QVERIFY(typo.closest);
    QCOMPARE(typo.terms.value(0), beginning + u"lm"_s);
}

void TestCompletion::lookUpFromOutside()
{
    open(false);
    m_window->lookUp(u"anxeity"_s);
    // The search of the window: the first entry of its beginning "anx".
    QCOMPARE(box(u"Text_eng"_s)->text(), u"anxiety"_s);
    QCOMPARE(box(u"Text_fr"_s)->text(), u"angoisse"_s);
    QVERIFY(list()->isHidden());
    QTest::keyClick(box(u"Text_eng"_s), Qt::Key_Up, Qt::AltModifier);
    QCOMPARE(box(u"Text_eng"_s)->text(), u"anxeity"_s);
}

QTEST_MAIN(TestCompletion)
#include "tst_completion.moc"
