#include <QAccessible>
#include <QToolButton>
#include <QAction>
#include <QTest>
#include <QTreeWidget>

#include "helpviewer.h"
#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    void viewerShowsAndFollowsLinks();
    void reportsFilesItCannotShow_data();
    void reportsFilesItCannotShow();
};

void TestHelp::viewerShowsAndFollowsLinks()
{
    HelpWindow window;
    window.open(QStringLiteral(SAMPLE_CHM));
    window.show();
    auto* page = window.findChild<HelpBrowser*>(u"page"_s);
    QCOMPARE(window.windowTitle(), u"Sample help"_s);
    QVERIFY(page->toPlainText().startsWith(u"Début de l'aide"_s));
    // The picture comes out of the file.
    const QVariant picture = page->loadResource(QTextDocument::ImageResource, page->source().resolved(QUrl(u"pic.png"_s)));
    QVERIFY(picture.toByteArray().startsWith("\x89PNG"));

    auto* contents = window.findChild<QTreeWidget*>(u"contents"_s);
    QCOMPARE(contents->topLevelItemCount(), 1);
    QCOMPARE(contents->topLevelItem(0)->text(0), u"Start page"_s);
    QCOMPARE(contents->topLevelItem(0)->child(0)->text(0), u"Second & last"_s);

    // What a screen reader names: the tree, the page and the tool buttons, in words.
    for (QWidget* control : { static_cast<QWidget*>(contents), static_cast<QWidget*>(page) })
        QVERIFY(!QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty());
    for (QToolButton* button : window.findChildren<QToolButton*>()) {
        if (button->isVisibleTo(&window))
            QVERIFY2(!QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name).isEmpty(), qPrintable(button->objectName()));
    }

    // A link inside the file, then back, forward and home.
    emit page->anchorClicked(page->source().resolved(QUrl(u"second.html"_s)));
    QVERIFY(page->toPlainText().startsWith(u"Second page"_s));
    window.findChild<QAction*>(u"back"_s)->trigger();
    QVERIFY(page->toPlainText().startsWith(u"Début"_s));
    QVERIFY(window.findChild<QAction*>(u"forward"_s)->isEnabled());
    window.findChild<QAction*>(u"forward"_s)->trigger();
    QVERIFY(page->toPlainText().startsWith(u"Second page"_s));
    window.findChild<QAction*>(u"home"_s)->trigger();
    QVERIFY(page->toPlainText().startsWith(u"Début"_s));
    // The contents tree opens its pages.
    emit contents->itemClicked(contents->topLevelItem(0)->child(0), 0);
    QVERIFY(page->toPlainText().startsWith(u"Second page"_s));
}

void TestHelp::reportsFilesItCannotShow_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("report");
    QTest::newRow("missing") << QByteArray() << u"does not exist"_s;
    QTest::newRow("not a help file") << QByteArray("<html>not compiled</html>") << u"is not a compiled HTML help (.chm) file"_s;
    QTest::newRow("damaged") << QByteArray("ITSF") + QByteArray(200, '\0') << u"damaged"_s;
}

void TestHelp::reportsFilesItCannotShow()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, report);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"efFR.chm"_s);
    if (!bytes.isEmpty())
        writeTextFile(dir.path(), u"efFR.chm"_s, bytes);
    HelpWindow window;
    window.open(path);
    const QString shown = window.findChild<HelpBrowser*>(u"page"_s)->toPlainText();
    QVERIFY2(shown.contains(report) && shown.contains(path), qPrintable(shown));
    QCOMPARE(window.findChild<QTreeWidget*>(u"contents"_s)->topLevelItemCount(), 0);
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
