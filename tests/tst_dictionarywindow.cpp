#include <QAccessible>
#include <QLabel>
#include <QRegularExpression>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "applicationhelpfile.h"
#include "dictionarywindow.h"
#include "qtplatform.h"
#include "qtreportviewer.h"
#include "music.h"
#include "testservices.h"
#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;


class TestDictionaryWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void controls_data();
    void controls();
    void layout();
    void accessibleNames();
    void typeAndPressEnter();
    void searchButtonAndEscape();
    void englishWindow();
    void navigationButtons();
    void loadFailures_data();
    void loadFailures();

private:
    DictionaryWindow* open(bool french);
    QString text(const QString& name) const;

    QTemporaryDir m_dir;
    std::unique_ptr<TestServices> m_test;
    std::unique_ptr<DictionaryWindow> m_window;
};

void TestDictionaryWindow::initTestCase()
{
    installFontSubstitutions();
    const auto entries = numbered({ { u"abulia"_s, u"aboulie"_s }, { u"anxiety"_s, u"anxiété"_s }, { u"fear"_s, u"peur"_s } });
    writeDictionary(m_dir.path(), entries, entries);
}

void TestDictionaryWindow::init()
{
    m_test = std::make_unique<TestServices>(m_dir.path(), u"/opt/evelmora"_s);
}

void TestDictionaryWindow::cleanup()
{
    m_window.reset();
}

DictionaryWindow* TestDictionaryWindow::open(bool french)
{
    m_window.reset(french ? DictionaryWindow::createF1(m_test->windows) : DictionaryWindow::createEng2(m_test->windows));
    m_window->Form_Load();
    m_window->show();
    return m_window.get();
}

QString TestDictionaryWindow::text(const QString& name) const
{
    return m_window->findChild<QLineEdit*>(name)->text();
}

void TestDictionaryWindow::controls_data()
{
    QTest::addColumn<bool>("french");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tooltip");

    const struct {
        const char* name;
        QString f1Caption, f1Tip, eng2Caption, eng2Tip;
    } rows[] = {
        { "cmdSearch", u"Recherche"_s, u"Cliquez pour traduire"_s, u"Search"_s, u"Click to translate"_s },
        { "cmdPremier", u"|<<"_s, u"Premier mot du dictionnaire"_s, u"|<<"_s, u"First word of the dictionary"_s },
        { "cmdReculeRapidement", u"|<"_s, u"Premier mot de la lettre actuelle "_s, u"|<"_s, u"First word of the  current letter"_s },
        { "cmdRecule", u"<"_s, u"Mot précédent "_s, u"<"_s, u"Previous Word "_s },
        { "Cmdnew", u"Nouvelle recherche"_s, u"Cliquez et tapez le mot à traduire "_s, u"New Search"_s, u"Click and tap the word to translate"_s },
        { "cmdAvance", u">"_s, u"Mot suivant "_s, u">"_s, u"Next Word"_s },
        { "cmdAvanceRapidement", u">|"_s, u"Dernier mot de la lettre actuelle "_s, u">|"_s, u"Last word of the  current letter"_s },
        { "cmdDernier", u">>|"_s, u"Dernier mot du dictionnaire "_s, u">>|"_s, u"Last word of the dictionary"_s },
        { "cmdImprimer", u"Imprimer"_s, QString(), u"Print"_s, QString() },
        { "cmdParcourir", QString(), u"Ouvrir le répertoire de musique"_s, QString(), u"Open Music"_s },
        { "cmdPlay", QString(), u"Ecouter la musique"_s, QString(), u"Listen music"_s },
        { "cmdStop", QString(), u"Arrêt musique"_s, QString(), u"Stop music"_s },
        { "cmdA", u"&A"_s, u"Premier mot de la lettre actuelle "_s, u"&A"_s, u"First word of the  current letter"_s },
        { "CmdC", u"&C"_s, u"Premier mot de la lettre actuelle "_s, u"&C"_s, u"First word of the  current letter"_s },
        { "cmdZ", u"&Z"_s, u"Premier mot de la lettre actuelle "_s, u"&Z"_s, u"First word of the  current letter"_s },
        { "cmdRetour", u"Retour"_s, QString(), u"Back"_s, QString() },
        { "cmdHelp", u"Aide"_s, QString(), u"Help"_s, QString() },
        { "cmdBibliography", u"Bibliographie"_s, QString(), u"Bibliography"_s, QString() },
        { "CmdWriter", u"&Auteur"_s, QString(), u"Writer"_s, QString() },
        { "cmdPublisher", u"&Editeur"_s, QString(), u"&Publisher"_s, QString() },
        { "cmdSortir", u"Sortir"_s, QString(), u"Exit"_s, QString() },
        { "Text_fr", QString(), u"Tapez le mot à traduire"_s, QString(), u"Result of the research  translation"_s },
        { "Text_eng", QString(), u"Résultat de la recherche "_s, QString(), u"Tap the word to translate"_s },
        { "Label6", u"  French eVelmora         French eVelmora         French eVelmora         French eVelmora    "_s, QString(),
          u"  English eVelmora         English eVelmora        English eVelmora         English eVelmora  "_s, QString() },
        { "Label1", u"DICTIONNAIRE ELECTRONIQUE DES SCIENCES PSYCHOLOGIQUES"_s, QString(), u"ELECTRONIC DICTIONARY OF PSYCHOLOGICAL SCIENCES"_s, QString() },
        { "Label2", u"Français - Anglais"_s, QString(), u"English  -  French"_s, QString() },
        { "Label4", u"FRANCAIS"_s, QString(), u"FRENCH"_s, QString() },
        { "Label3", u"ANGLAIS"_s, QString(), u"ENGLISH"_s, QString() },
    };
    for (const auto& row : rows) {
        QTest::addRow("f1 %s", row.name) << true << QString::fromLatin1(row.name) << row.f1Caption << row.f1Tip;
        QTest::addRow("eng2 %s", row.name) << false << QString::fromLatin1(row.name) << row.eng2Caption << row.eng2Tip;
    }
    QTest::addRow("f1 cmdAnglais") << true << u"cmdAnglais"_s << u"Dictionnaire Anglais"_s << QString();
    QTest::addRow("eng2 cmdFrensh") << false << u"cmdFrensh"_s << u"French dictionary"_s << QString();
}

void TestDictionaryWindow::controls()
{
    QFETCH(bool, french);
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, tooltip);
    open(french);
    auto* widget = m_window->findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->toolTip(), tooltip);
    if (auto* button = qobject_cast<QPushButton*>(widget))
        QCOMPARE(button->text(), caption);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        QCOMPARE(label->text(), caption);
}

void TestDictionaryWindow::accessibleNames()
{
    for (const bool french : { true, false }) {
        open(french);
        // Every button and box is named in words; the descriptions are the tooltips, exactly.
        for (QWidget* control : m_window->findChildren<QWidget*>()) {
            if (!qobject_cast<QPushButton*>(control) && !qobject_cast<QLineEdit*>(control))
                continue;
            QAccessibleInterface* readable = QAccessible::queryAccessibleInterface(control);
            const QString name = readable->text(QAccessible::Name);
            QVERIFY2(name.contains(QRegularExpression(u"\\p{L}"_s)), qPrintable(control->objectName() + u": "_s + name));
            QCOMPARE(readable->text(QAccessible::Description), control->toolTip());
        }
        const auto nameOf = [this](const QString& control) {
            return QAccessible::queryAccessibleInterface(m_window->findChild<QWidget*>(control))->text(QAccessible::Name);
        };
        QCOMPARE(nameOf(u"cmdPremier"_s), french ? u"Premier mot du dictionnaire"_s : u"First word of the dictionary"_s);
        QCOMPARE(nameOf(u"cmdAvance"_s), french ? u"Mot suivant"_s : u"Next Word"_s);
        QCOMPARE(nameOf(u"cmdPlay"_s), french ? u"Ecouter la musique"_s : m_window->findChild<QWidget*>(u"cmdPlay"_s)->toolTip().trimmed());
        QCOMPARE(nameOf(u"Text_fr"_s), french ? u"Français"_s : u"French"_s);
        QCOMPARE(nameOf(u"Text_eng"_s), french ? u"Anglais"_s : u"English"_s);
        QCOMPARE(nameOf(u"cmdSearch"_s), french ? u"Recherche"_s : u"Search"_s); // a caption is its name
    }
}

void TestDictionaryWindow::layout()
{
    open(true);
    QCOMPARE(m_window->windowTitle(), u"eVelmoraEF - Dictionnaire électronique des sciences psychologiques"_s);
    QCOMPARE(m_window->size(), QSize(792, 449));
    QCOMPARE(m_window->findChild<QWidget*>(u"Text_fr"_s)->geometry(), QRect(176, 264, 505, 27)); // 2640, 3960, 7575, 405 twips
    QVERIFY(m_window->findChild<QPushButton*>(u"cmdSearch"_s)->font().underline());
    QCOMPARE(m_window->focusWidget(), m_window->findChild<QWidget*>(u"Text_fr"_s));
    QCOMPARE(m_test->helpFile.path(), u"/opt/evelmora/MindHelpF.chm"_s);

    open(false);
    QCOMPARE(m_window->windowTitle(), u"eVelmoraEF - Electronic Dictionary of Psychological Sciences"_s);
    QCOMPARE(m_window->focusWidget(), m_window->findChild<QWidget*>(u"Text_eng"_s));
    QCOMPARE(m_test->helpFile.path(), u"/opt/evelmora/MindHelpE.chm"_s);
}

void TestDictionaryWindow::typeAndPressEnter()
{
    open(true);
    auto* source = m_window->findChild<QLineEdit*>(u"Text_fr"_s);
    // Enter in a fresh window shows the first entry.
    QTest::keyClick(source, Qt::Key_Return);
    QCOMPARE(text(u"Text_fr"_s), u"aboulie"_s);
    source->clear();
    typeText(source, u"ANXIÉTÉ"_s);
    QCOMPARE(source->text(), u"ANXIÉTÉ"_s);
    QTest::keyClick(source, Qt::Key_Enter);
    QCOMPARE(text(u"Text_fr"_s), u"anxiété"_s);
    QCOMPARE(text(u"Text_eng"_s), u"anxiety"_s);
    QCOMPARE(m_test->presenter.messages, QStringList());
    QCOMPARE(m_window->cursor().shape(), Qt::ArrowCursor);
}

void TestDictionaryWindow::searchButtonAndEscape()
{
    open(true);
    auto* source = m_window->findChild<QLineEdit*>(u"Text_fr"_s);
    typeText(source, u"pe"_s);
    QTest::mouseClick(m_window->findChild<QPushButton*>(u"cmdSearch"_s), Qt::LeftButton);
    QCOMPARE(text(u"Text_eng"_s), u"fear"_s);
    QCOMPARE(m_test->busy.events.mid(m_test->busy.events.size() - 2), (QStringList { u"hourglass"_s, u"default"_s }));

    m_window->findChild<QPushButton*>(u"cmdPremier"_s)->setFocus();
    QTest::keyClick(m_window->findChild<QPushButton*>(u"cmdPremier"_s), Qt::Key_Escape);
    QCOMPARE(text(u"Text_fr"_s), QString());
    QCOMPARE(text(u"Text_eng"_s), QString());
    QCOMPARE(m_window->focusWidget(), source);

    typeText(source, u"ab"_s);
    QTest::mouseClick(m_window->findChild<QPushButton*>(u"Cmdnew"_s), Qt::LeftButton);
    QCOMPARE(source->text(), QString());
    QCOMPARE(m_test->presenter.messages, QStringList());
}

void TestDictionaryWindow::englishWindow()
{
    open(false);
    auto* source = m_window->findChild<QLineEdit*>(u"Text_eng"_s);
    typeText(source, u"anx"_s);
    QTest::keyClick(source, Qt::Key_Return);
    QCOMPARE(text(u"Text_eng"_s), u"anxiety"_s);
    QCOMPARE(text(u"Text_fr"_s), u"anxiété"_s);
    QTest::keyClick(source, Qt::Key_Escape);
    QCOMPARE(text(u"Text_fr"_s), QString());
}

void TestDictionaryWindow::navigationButtons()
{
    // The operations themselves are tested on their own; here, that each button runs its own.
    open(true);
    const auto press = [this](const char* name) { QTest::mouseClick(m_window->findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton); };
    press("cmdDernier");
    QCOMPARE(text(u"Text_fr"_s), u"peur"_s);
    press("cmdRecule");
    QCOMPARE(text(u"Text_fr"_s), u"anxiété"_s);
    press("cmdPremier");
    press("cmdAvance");
    QCOMPARE(text(u"Text_eng"_s), u"anxiety"_s);
    press("cmdB"); // B's constant start lies beyond this three-entry table
    m_window->findChild<QLineEdit*>(u"Text_fr"_s)->setText(u"Anx"_s);
    press("cmdAvanceRapidement"); // B fails, then one step back from after the last entry
    QCOMPARE(text(u"Text_fr"_s), u"peur"_s);
    QCOMPARE(m_test->presenter.messages.size(), 2);
    QVERIFY(m_test->presenter.messages[0].endsWith(u"cmdB_Click"_s) && m_test->presenter.messages[1].endsWith(u"cmdB_Click"_s));
}

void TestDictionaryWindow::loadFailures_data()
{
    QTest::addColumn<QString>("remove");
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<QString>("message");

    QTest::newRow("no connection file") << u"d0.UDL"_s << QByteArray() << u"3024cannot find the connection file %1/d0.UDLForm_Load"_s;
    QTest::newRow("malformed table") << QString() << QByteArray("English,Frensh,num\nfear,peur,0\nanger,colère\n")
                                     << u"3274cannot read %1/fr/PS.txt: line 3: 2 fields, 3 expectedForm_Load"_s;
    QTest::newRow("missing table") << u"fr/PS.txt"_s << QByteArray() << u"3024cannot find the table PS: no file PS.txt in %1/frForm_Load"_s;
}

void TestDictionaryWindow::loadFailures()
{
    QFETCH(QString, remove);
    QFETCH(QByteArray, table);
    QFETCH(QString, message);
    QTemporaryDir dir;
    writeDictionary(dir.path(), numbered({ { u"fear"_s, u"peur"_s } }), {});
    if (!remove.isEmpty())
        QVERIFY(QFile::remove(dir.filePath(remove)));
    if (!table.isEmpty())
        writeTextFile(dir.path(), u"fr/PS.txt"_s, table);
    m_test->windows.dataDirectory = dir.path();
    open(true);
    QCOMPARE(m_test->presenter.messages, QStringList { message.arg(dir.path()) });

    // The window stays usable; its operations report their own cursor failures.
    m_test->presenter.messages.clear();
    auto* source = m_window->findChild<QLineEdit*>(u"Text_fr"_s);
    typeText(source, u"peur"_s);
    QTest::keyClick(source, Qt::Key_Return);
    QCOMPARE(m_test->presenter.messages.size(), 1);
    QVERIFY2(m_test->presenter.messages[0].startsWith(u"3704"_s) && m_test->presenter.messages[0].endsWith(u"afficher_resultat"_s),
             qPrintable(m_test->presenter.messages[0]));
    QTest::keyClick(source, Qt::Key_Escape);
    QCOMPARE(source->text(), QString());
}

QTEST_MAIN(TestDictionaryWindow)
#include "tst_dictionarywindow.moc"
