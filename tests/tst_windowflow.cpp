#include <QPrintPreviewDialog>
#include "helpviewer.h"
#include <QStyleFactory>
#include <QStyle>
#include <QRegularExpression>
#include <QAbstractScrollArea>
#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QTest>

#include "applicationhelpfile.h"
#include "dictionarywindow.h"
#include "presentationlauncher.h"
#include "qtplatform.h"
#include "qtreportviewer.h"
#include "music.h"
#include "rtfdocument.h"
#include "rtfreader.h"
#include "testservices.h"
#include "testsupport.h"
#include "windowflow.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QStringList openWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList names;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            names.append(widget->objectName());
    }
    names.sort();
    return names;
}

void click(const QString& window, const QString& control)
{
    QWidget* top = visibleWindow(window);
    QVERIFY2(top, qPrintable(window));
    auto* button = top->findChild<QPushButton*>(control);
    QVERIFY2(button, qPrintable(control));
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class TestWindowFlow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void windowGraph_data();
    void windowGraph();
    void keysAndCloseBox_data();
    void keysAndCloseBox();
    void roundTripLoadsAfresh();
    void welcomeContent();
    void failedSwitchKeepsAWindow();
    void lookUpFromOutside();
    void everyControlIsNamed();
    void darkDesktopPalette();
    void toolkitDialogsSpeakTheWindowsLanguage();
    void secondaryWindows_data();
    void secondaryWindows();
    void missingBibliography();
    void bibliographyLaidOut();
    void helpFileWritersAndF1();

private:
    void goTo(const QString& window);

    QTemporaryDir m_data;
    QTemporaryDir m_program;
    std::unique_ptr<TestServices> m_test;
    std::unique_ptr<WindowFlow> m_flow;
};

void TestWindowFlow::initTestCase()
{
    installFontSubstitutions();
    const auto entries = numbered({ { u"fear"_s, u"peur"_s } });
    writeDictionary(m_data.path(), entries, entries);
    writeTextFile(m_program.path(), u"content.json"_s, contentJson(u"Test Editions"_s, u"اختبار"_s, u"A. Writer"_s, u"(c) test"_s));
}

void TestWindowFlow::init()
{
    m_test = std::make_unique<TestServices>(m_data.path(), m_program.path());
    m_flow = std::make_unique<WindowFlow>(m_test->windows, m_test->presentations);
}

void TestWindowFlow::cleanup()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        widget->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_flow.reset();
}

void TestWindowFlow::goTo(const QString& window)
{
    m_flow->start();
    if (window == u"demarage")
        return;
    click(u"demarage"_s, u"cmdVelmora"_s);
    if (window == u"f1")
        click(u"choix"_s, u"Command1"_s);
    else if (window == u"eng2")
        click(u"choix"_s, u"cmdVelmoraEng"_s);
    QCOMPARE(openWindows(), QStringList { window });
    m_test->busy.events.clear();
}

void TestWindowFlow::windowGraph_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("to"); // empty: the program ends
    QTest::addColumn<bool>("switches");

    QTest::newRow("demarage Enter") << u"demarage"_s << u"cmdVelmora"_s << u"choix"_s << true;
    QTest::newRow("demarage title double-click") << u"demarage"_s << u"Label2"_s << u"choix"_s << true;
    QTest::newRow("demarage Exit") << u"demarage"_s << u"cmdQuiiter"_s << QString() << false;
    QTest::newRow("choix English") << u"choix"_s << u"cmdVelmoraEng"_s << u"eng2"_s << true;
    QTest::newRow("choix French") << u"choix"_s << u"Command1"_s << u"f1"_s << true;
    QTest::newRow("choix English presentation") << u"choix"_s << u"cmdPresEng"_s << u"choix"_s << false;
    QTest::newRow("choix French presentation") << u"choix"_s << u"cmdPresenFr"_s << u"choix"_s << false;
    QTest::newRow("choix Back") << u"choix"_s << u"cmdRetour"_s << u"demarage"_s << true;
    QTest::newRow("choix Exit") << u"choix"_s << u"cmdSortir"_s << QString() << false;
    QTest::newRow("f1 English dictionary") << u"f1"_s << u"cmdAnglais"_s << u"eng2"_s << true;
    QTest::newRow("f1 Retour") << u"f1"_s << u"cmdRetour"_s << u"choix"_s << true;
    QTest::newRow("f1 Sortir") << u"f1"_s << u"cmdSortir"_s << QString() << false;
    QTest::newRow("eng2 French dictionary") << u"eng2"_s << u"cmdFrensh"_s << u"f1"_s << true;
    QTest::newRow("eng2 Back") << u"eng2"_s << u"cmdRetour"_s << u"choix"_s << true;
    QTest::newRow("eng2 Exit") << u"eng2"_s << u"cmdSortir"_s << QString() << false;
}

void TestWindowFlow::windowGraph()
{
    QFETCH(QString, from);
    QFETCH(QString, control);
    QFETCH(QString, to);
    QFETCH(bool, switches);
    goTo(from);
    QPointer<QWidget> source = visibleWindow(from);
    if (control == u"Label2")
        QTest::mouseDClick(source->findChild<QLabel*>(control), Qt::LeftButton);
    else
        click(from, control);
    // During a switch both windows are open for a moment; afterwards only the target is.
    QCOMPARE(openWindows(), to.isEmpty() ? QStringList() : QStringList { to });
    if (switches) {
        QVERIFY(source.isNull()); // closed and destroyed
        QCOMPARE(m_test->busy.events, (QStringList { u"hourglass"_s, u"default"_s }));
    }
    QCOMPARE(m_test->presenter.messages, QStringList());
    if (control.startsWith(u"cmdPres"_s)) {
        QCOMPARE(m_test->starter.started, QStringList { control == u"cmdPresEng" ? u"/media/disc/mmeng.exe"_s : u"/media/disc/mmfr.exe"_s });
        for (QPushButton* button : source->findChildren<QPushButton*>())
            QVERIFY(button->isEnabled());
    }
}

void TestWindowFlow::keysAndCloseBox_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("focus");
    QTest::newRow("demarage") << u"demarage"_s << u"cmdVelmora"_s;
    QTest::newRow("choix") << u"choix"_s << u"cmdVelmoraEng"_s;
}

void TestWindowFlow::keysAndCloseBox()
{
    QFETCH(QString, window);
    QFETCH(QString, focus);
    for (const bool escape : { true, false }) {
        goTo(window);
        QWidget* top = visibleWindow(window);
        QCOMPARE(top->focusWidget()->objectName(), focus);
        if (escape)
            QTest::keyClick(top->focusWidget(), Qt::Key_Escape);
        else
            top->close();
        QCOMPARE(openWindows(), QStringList());
    }
    // Enter presses the focused button.
    goTo(u"demarage"_s);
    QTest::keyClick(visibleWindow(u"demarage"_s)->focusWidget(), Qt::Key_Return);
    QCOMPARE(openWindows(), QStringList { u"choix"_s });
}

void TestWindowFlow::roundTripLoadsAfresh()
{
    goTo(u"f1"_s);
    QPointer<QWidget> first = visibleWindow(u"f1"_s);
    auto* source = first->findChild<QLineEdit*>(u"Text_fr"_s);
    source->setText(u"peur"_s);
    QTest::keyClick(source, Qt::Key_Return);
    QCOMPARE(first->findChild<QLineEdit*>(u"Text_eng"_s)->text(), u"fear"_s);
    click(u"f1"_s, u"cmdAnglais"_s);
    QCOMPARE(m_test->helpFile.path(), m_program.path() + u"/MindHelpE.chm"_s);
    click(u"eng2"_s, u"cmdFrensh"_s);
    QCOMPARE(openWindows(), QStringList { u"f1"_s });
    QVERIFY(first.isNull());
    QWidget* again = visibleWindow(u"f1"_s);
    QCOMPARE(again->findChild<QLineEdit*>(u"Text_fr"_s)->text(), QString());
    QCOMPARE(again->findChild<QLineEdit*>(u"Text_eng"_s)->text(), QString());
    QCOMPARE(m_test->helpFile.path(), m_program.path() + u"/MindHelpF.chm"_s);
}

void TestWindowFlow::welcomeContent()
{
    goTo(u"demarage"_s);
    QWidget* welcome = visibleWindow(u"demarage"_s);
    QCOMPARE(welcome->findChild<QLabel*>(u"Label4"_s)->text(), u"Test Editions"_s);
    QCOMPARE(welcome->findChild<QLabel*>(u"Label5"_s)->text(), u"اختبار"_s);
    QCOMPARE(welcome->findChild<QLabel*>(u"Label6"_s)->text(), u"A. Writer"_s);
    QCOMPARE(welcome->palette().color(QPalette::Window), welcome->palette().color(QPalette::ToolTipBase));
    welcome->close();

    // Without its content file the window still opens, after a message that names the file.
    QTemporaryDir empty;
    m_test->windows.programDirectory = empty.path();
    goTo(u"demarage"_s);
    QCOMPARE(m_test->presenter.messages, QStringList { u"3024cannot find the file "_s + empty.path() + u"/content.jsonform load"_s });
    QCOMPARE(openWindows(), QStringList { u"demarage"_s });
}

void TestWindowFlow::failedSwitchKeepsAWindow()
{
    m_flow = std::make_unique<WindowFlow>(m_test->windows, m_test->presentations, [this](MainWindow which) -> QWidget* {
        if (which == MainWindow::F1)
            throw std::runtime_error("no memory for f1");
        return WindowFlow::createWindow(m_test->windows, which);
    });
    goTo(u"choix"_s);
    click(u"choix"_s, u"Command1"_s);
    QCOMPARE(openWindows(), QStringList { u"choix"_s });
    QCOMPARE(m_test->presenter.messages, QStringList { u"51Internal error: no memory for f1Command1_Click"_s });
    QCOMPARE(m_test->busy.events, (QStringList { u"hourglass"_s, u"default"_s }));
}

namespace {

// The controls of a window a screen reader would meet without a name in words.
QStringList unnamedControls(QWidget* window)
{
    static const QRegularExpression letter(u"\\p{L}"_s);
    QStringList unnamed;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (!control->isVisibleTo(window) || control->focusPolicy() == Qt::NoFocus)
            continue;
        if (!qobject_cast<QAbstractButton*>(control) && !qobject_cast<QLineEdit*>(control) && !qobject_cast<QAbstractScrollArea*>(control))
            continue;
        const QString name = QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name);
        if (!name.contains(letter))
            unnamed << control->objectName() + u" \""_s + name + u'"';
    }
    return unnamed;
}

} // namespace

void TestWindowFlow::everyControlIsNamed()
{
    for (const QString& window : { u"demarage"_s, u"choix"_s, u"f1"_s, u"eng2"_s }) {
        cleanup();
        init();
        goTo(window);
        const QStringList unnamed = unnamedControls(visibleWindow(window));
        QVERIFY2(unnamed.isEmpty(), qPrintable(window + u": "_s + unnamed.join(u", "_s)));
    }
    writeTextFile(m_program.path(), u"biblioeng1.rtf"_s, "{\\rtf1\\ansi Laplanche\\par}");
    for (const QString& button : { u"cmdBibliography"_s, u"cmdPublisher"_s, u"CmdWriter"_s }) {
        QStringList unnamed { u"(no window)"_s };
        QTimer::singleShot(0, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            unnamed = unnamedControls(modal);
            modal->close();
        });
        click(u"eng2"_s, button);
        QVERIFY2(unnamed.isEmpty(), qPrintable(button + u": "_s + unnamed.join(u", "_s)));
    }
}

namespace {

// Every colour each control of a window is drawn with, by control and role.
QStringList coloursOf(QWidget* window)
{
    window->grab(); // drawn once, so that the style has set what it sets when it draws
    QStringList colours;
    QList<QWidget*> controls = window->findChildren<QWidget*>();
    controls.prepend(window);
    for (QWidget* control : std::as_const(controls)) {
        if (control != window && control->isWindow())
            continue; // a popup of the toolkit's own, drawn wholly in the desktop's colours
        for (const QPalette::ColorRole role : { QPalette::Window, QPalette::WindowText, QPalette::Button, QPalette::ButtonText, QPalette::Base,
                                                QPalette::Text, QPalette::Highlight, QPalette::HighlightedText, QPalette::PlaceholderText }) {
            colours << window->objectName() + u'/' + control->objectName() + u' ' + QString::fromLatin1(control->metaObject()->className()) + u' '
                    + QString::number(role) + u' ' + control->palette().color(role).name();
        }
    }
    return colours;
}

} // namespace

void TestWindowFlow::darkDesktopPalette()
{
    writeTextFile(m_program.path(), u"biblioeng1.rtf"_s, "{\\rtf1\\ansi Laplanche\\par}");
    // Each window as it comes out under a palette, with the secondary ones opened from eng2.
    const auto windowColours = [this](const QPalette& desktop) {
        QApplication::setPalette(desktop);
        QStringList colours;
        for (const QString& window : { u"demarage"_s, u"choix"_s, u"f1"_s, u"eng2"_s }) {
            cleanup();
            init();
            goTo(window);
            colours << coloursOf(visibleWindow(window));
        }
        for (const QString& button : { u"cmdBibliography"_s, u"cmdPublisher"_s, u"CmdWriter"_s }) {
            QTimer::singleShot(0, this, [&] {
                QWidget* modal = QApplication::activeModalWidget();
                colours << coloursOf(modal);
                modal->close();
            });
            click(u"eng2"_s, button);
        }
        HelpWindow help;
        colours << coloursOf(&help);
        return colours;
    };
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(u"Fusion"_s));
    const QPalette light = fusion->standardPalette();
    // A dark desktop theme's palette: light text on dark grounds.
    QPalette dark(QColor(u"#353535"_s), QColor(u"#2a2a2a"_s));
    for (const QPalette::ColorRole role : { QPalette::WindowText, QPalette::ButtonText, QPalette::Text, QPalette::HighlightedText, QPalette::PlaceholderText })
        dark.setColor(role, QColor(u"#eeeeee"_s));
    dark.setColor(QPalette::Base, QColor(u"#1e1e1e"_s));
    dark.setColor(QPalette::ToolTipBase, QColor(u"#202020"_s));
    const QStringList underLight = windowColours(light);
    const QStringList underDark = windowColours(dark);
    QApplication::setPalette(light);
    QCOMPARE(underDark.size(), underLight.size());
    for (qsizetype i = 0; i < underLight.size(); ++i)
        QCOMPARE(underDark[i], underLight[i]);
}

void TestWindowFlow::toolkitDialogsSpeakTheWindowsLanguage()
{
    const auto previewTitle = [] { return QCoreApplication::translate("QPrintPreviewDialog", "Print Preview"); };
    QCOMPARE(previewTitle(), u"Print Preview"_s);
    goTo(u"f1"_s);
    QCOMPARE(previewTitle(), u"Aperçu avant impression"_s);
    {
        QPrintPreviewDialog preview;
        QCOMPARE(preview.windowTitle(), u"Aperçu avant impression"_s);
    }
    click(u"f1"_s, u"cmdAnglais"_s);
    QCOMPARE(openWindows(), QStringList { u"eng2"_s });
    QCOMPARE(previewTitle(), u"Print Preview"_s);
    click(u"eng2"_s, u"cmdFrensh"_s);
    QCOMPARE(previewTitle(), u"Aperçu avant impression"_s);
    // The flow gone, the toolkit is left in English.
    cleanup();
    QCOMPARE(previewTitle(), u"Print Preview"_s);
    init();
}

void TestWindowFlow::lookUpFromOutside()
{
    const auto shown = [](const QString& window) -> QString {
        QWidget* top = visibleWindow(window);
        if (!top)
            return u"(%1 not open)"_s.arg(window);
        return top->findChild<QLineEdit*>(u"Text_fr"_s)->text() + u" / "_s + top->findChild<QLineEdit*>(u"Text_eng"_s)->text();
    };
    // With no window open, the look-up opens its window.
    m_flow->lookUp(MainWindow::F1, u"peur"_s);
    QCOMPARE(openWindows(), QStringList { u"f1"_s });
    QCOMPARE(shown(u"f1"_s), u"peur / fear"_s);
    // The other direction takes the place of the window open, as its button would.
    m_flow->lookUp(MainWindow::Eng2, u"FEAR"_s);
    QCOMPARE(openWindows(), QStringList { u"eng2"_s });
    QCOMPARE(shown(u"eng2"_s), u"peur / fear"_s);
    // From the welcome window, too.
    cleanup();
    init();
    m_flow->start();
    QCOMPARE(openWindows(), QStringList { u"demarage"_s });
    m_flow->lookUp(MainWindow::Eng2, u"fe"_s);
    QCOMPARE(openWindows(), QStringList { u"eng2"_s });
    QCOMPARE(shown(u"eng2"_s), u"peur / fear"_s);

    // A window over the dictionary is closed first; the look-up follows once it has gone.
    QString over;
    QTimer::singleShot(100, this, [this, &over] {
        over = QApplication::activeModalWidget() ? QApplication::activeModalWidget()->objectName() : QString();
        m_flow->lookUp(MainWindow::F1, u"pe"_s);
    });
    click(u"eng2"_s, u"cmdPublisher"_s);
    QCOMPARE(over, u"frmAbout"_s);
    QTRY_COMPARE(openWindows(), QStringList { u"f1"_s });
    QCOMPARE(shown(u"f1"_s), u"peur / fear"_s);
    QCOMPARE(m_test->presenter.messages, QStringList());
}

void TestWindowFlow::secondaryWindows_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("closingKey"); // Escape where it closes, else Enter after Escape did nothing

    QTest::newRow("f1 bibliography") << u"f1"_s << u"cmdBibliography"_s << u"biblio_eng"_s << u"eVelmora - Bibliographie"_s << int(Qt::Key_Return);
    QTest::newRow("eng2 bibliography") << u"eng2"_s << u"cmdBibliography"_s << u"biblio_eng"_s << u"Bibliography"_s << int(Qt::Key_Escape);
    QTest::newRow("f1 publisher") << u"f1"_s << u"cmdPublisher"_s << u"frmAboutf1"_s << u"eVelmoraEF - A propos de l'editeur"_s << int(Qt::Key_Escape);
    QTest::newRow("eng2 publisher") << u"eng2"_s << u"cmdPublisher"_s << u"frmAbout"_s << u"eVelmoraEF - About publisher "_s << int(Qt::Key_Return);
    QTest::newRow("f1 writer") << u"f1"_s << u"CmdWriter"_s << u"frmAboutJF"_s << u"eVelmoraEF - Apropos de l'auteur"_s << int(Qt::Key_Return);
    QTest::newRow("eng2 writer") << u"eng2"_s << u"CmdWriter"_s << u"frmAboutJ"_s << u" eVelmoraEF - About Writer"_s << int(Qt::Key_Return);
}

void TestWindowFlow::secondaryWindows()
{
    QFETCH(QString, opener);
    QFETCH(QString, button);
    QFETCH(QString, window);
    QFETCH(QString, caption);
    QFETCH(int, closingKey);
    writeTextFile(m_program.path(), u"biblioeng1.rtf"_s, "{\\rtf1\\ansi {\\b Laplanche}, Vocabulaire de la psychanalyse\\par}");
    goTo(opener);
    QStringList seen;
    QPoint centreOffset;
    QTimer::singleShot(0, this, [&] {
        // Records what it sees and always closes the window, so a failed check cannot leave it open.
        QWidget* modal = QApplication::activeModalWidget();
        seen << modal->objectName() << modal->windowTitle() << modal->focusWidget()->objectName();
        // Centred on the screen, within what the frame added after the load step measured it.
        centreOffset = modal->frameGeometry().center() - modal->screen()->geometry().center();
        if (auto* viewer = modal->findChild<QTextBrowser*>(u"RichTextBox1"_s))
            seen << viewer->toPlainText().trimmed();
        seen << m_test->busy.events.last();
        const bool writer = window.startsWith(u"frmAboutJ"_s);
        if (writer) {
            QTest::keyClick(modal->focusWidget(), Qt::Key_Escape);
            seen << (modal->isVisible() ? u"Escape ignored"_s : u"Escape closed"_s);
        }
        QTest::keyClick(modal->focusWidget(), Qt::Key(closingKey));
    });
    click(opener, button);
    QCOMPARE(seen.mid(0, 3), (QStringList { window, caption, u"cmdOK"_s }));
    QVERIFY2(centreOffset.manhattanLength() <= 4, qPrintable(u"%1,%2"_s.arg(centreOffset.x()).arg(centreOffset.y())));
    if (window == u"biblio_eng")
        QCOMPARE(seen[3], u"Laplanche, Vocabulaire de la psychanalyse"_s);
    QCOMPARE(seen[window == u"biblio_eng" ? 4 : 3], u"default"_s); // the load step restored the pointer
    if (window.startsWith(u"frmAboutJ"_s))
        QCOMPARE(seen.last(), u"Escape ignored"_s);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(openWindows(), QStringList { opener });
    QCOMPARE(m_test->busy.events.last(), u"default"_s);
    QCOMPARE(m_test->presenter.messages, QStringList());
}

void TestWindowFlow::missingBibliography()
{
    QTemporaryDir program;
    writeTextFile(program.path(), u"content.json"_s, contentJson(u"a"_s, u"b"_s, u"c"_s, u"d"_s));
    m_test->windows.programDirectory = program.path();
    goTo(u"eng2"_s);
    QString viewerText = u"(not seen)"_s;
    QTimer::singleShot(0, this, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        viewerText = modal->findChild<QTextBrowser*>(u"RichTextBox1"_s)->toPlainText();
        QTest::keyClick(modal->focusWidget(), Qt::Key_Return);
    });
    click(u"eng2"_s, u"cmdBibliography"_s);
    QCOMPARE(m_test->presenter.messages, QStringList { u"File not exist"_s });
    QCOMPARE(viewerText, QString());
    QCOMPARE(m_test->busy.events.last(), u"default"_s);
    QCOMPARE(openWindows(), QStringList { u"eng2"_s });
}

void TestWindowFlow::helpFileWritersAndF1()
{
    HelpKey helpKey(m_test->helpFile, m_test->help);
    qApp->installEventFilter(&helpKey);
    m_test->helpFile.set(m_data.filePath(u"efENG.chm"_s));
    m_test->help.opened.clear();
    const auto pressF1 = [](const QString& window) {
        QWidget* top = visibleWindow(window);
        QTest::keyClick(top->focusWidget() ? top->focusWidget() : top, Qt::Key_F1);
    };
    const QString program = m_program.path();
    m_flow->start();
    pressF1(u"demarage"_s);
    click(u"demarage"_s, u"cmdVelmora"_s);
    pressF1(u"choix"_s);
    click(u"choix"_s, u"Command1"_s);
    pressF1(u"f1"_s);
    click(u"f1"_s, u"cmdHelp"_s);
    pressF1(u"f1"_s);
    click(u"f1"_s, u"cmdAnglais"_s); // the load of eng2 writes over the help button's file
    pressF1(u"eng2"_s);
    click(u"eng2"_s, u"cmdHelp"_s);
    click(u"eng2"_s, u"cmdRetour"_s); // leaving restores nothing
    pressF1(u"choix"_s);
    click(u"choix"_s, u"cmdVelmoraEng"_s);
    // F1 reaches the viewer from a secondary window too.
    QTimer::singleShot(0, this, [] {
        QWidget* modal = QApplication::activeModalWidget();
        QTest::keyClick(modal->focusWidget(), Qt::Key_F1);
        QTest::keyClick(modal->focusWidget(), Qt::Key_Escape);
    });
    click(u"eng2"_s, u"cmdBibliography"_s);
    qApp->removeEventFilter(&helpKey);
    QCOMPARE(m_test->help.opened, (QStringList { m_data.filePath(u"efENG.chm"_s), m_data.filePath(u"efENG.chm"_s), program + u"/MindHelpF.chm"_s,
                                           program + u"/efFR.chm"_s, program + u"/efFR.chm"_s, program + u"/MindHelpE.chm"_s,
                                           program + u"/efENG.chm"_s, program + u"/efENG.chm"_s, program + u"/MindHelpE.chm"_s }));
    QCOMPARE(m_test->presenter.messages, QStringList());
}

void TestWindowFlow::bibliographyLaidOut()
{
    // What the reader found, in the viewer's document: paragraphs, their alignment, each run in
    // its own format.
    const RtfReader::Document read = RtfReader::read("{\\rtf1\\ansi{\\fonttbl{\\f1 Arial;}}{\\colortbl;\\red0\\green0\\blue128;}"
                                                     "\\pard\\qc\\f1\\fs32\\cf1\\b Titre\\b0\\par\\pard plain {\\i italic}\\par\\qr right}");
    QTextDocument document;
    document.setPlainText(u"left over from before"_s);
    setRtfDocument(read, document);
    QCOMPARE(document.toRawText().replace(QChar::ParagraphSeparator, u'\n'), u"Titre\nplain italic\nright"_s);
    QCOMPARE(document.blockCount(), 3);
    QCOMPARE(document.firstBlock().blockFormat().alignment(), Qt::AlignHCenter);
    QCOMPARE(document.findBlockByNumber(1).blockFormat().alignment(), Qt::AlignLeft);
    QCOMPARE(document.lastBlock().blockFormat().alignment(), Qt::AlignRight);
    QTextCursor cursor(&document);
    cursor.setPosition(1);
    const QTextCharFormat title = cursor.charFormat();
    QCOMPARE(title.fontWeight(), int(QFont::Bold));
    QCOMPARE(title.fontPointSize(), 16.0);
    QCOMPARE(title.fontFamilies().toStringList(), QStringList { u"Arial"_s });
    QCOMPARE(title.foreground().color(), QColor(0, 0, 128));
    cursor.setPosition(document.find(u"italic"_s).selectionStart() + 1);
    QVERIFY(cursor.charFormat().fontItalic());
    QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Normal));
}

QTEST_MAIN(TestWindowFlow)
#include "tst_windowflow.moc"
