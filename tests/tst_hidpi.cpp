// The pictures of the windows on a screen of twice the usual density: drawn with twice the
// pixels, not stretched.
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "buttonpointer.h"
#include "dictionarywindow.h"
#include "qtplatform.h"
#include "testservices.h"
#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;

class TestHighDensity : public QObject {
    Q_OBJECT

private slots:
    void picturesHaveTheScreensPixels();
};

void TestHighDensity::picturesHaveTheScreensPixels()
{
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    QTemporaryDir dir;
    const auto entries = numbered({ { u"fear"_s, u"peur"_s } });
    writeDictionary(dir.path(), entries, entries);
    TestServices test(dir.path(), u"/opt/evelmora"_s);
    for (const bool french : { true, false }) {
        std::unique_ptr<DictionaryWindow> window(french ? DictionaryWindow::createF1(test.windows) : DictionaryWindow::createEng2(test.windows));
        window->show();
        // The background: the label's size in pixels twice over.
        auto* background = window->findChild<QLabel*>(u"Image1"_s);
        const QPixmap picture = background->pixmap();
        QCOMPARE(picture.devicePixelRatio(), 2.0);
        QCOMPARE(picture.size(), background->size() * 2);
        // The music buttons' pictures, at the size they are shown.
        for (const QString& name : { u"cmdParcourir"_s, u"cmdPlay"_s, u"cmdStop"_s }) {
            auto* button = window->findChild<QPushButton*>(name);
            const QPixmap icon = button->icon().pixmap(button->iconSize(), 2.0);
            QCOMPARE(icon.size(), button->iconSize() * 2);
            // Drawn at that size: a stretched picture has no more distinct rows than its source.
            const QImage image = icon.toImage();
            QSet<QRgb> colours;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    colours.insert(image.pixel(x, y));
            QVERIFY2(colours.size() > 2, qPrintable(name));
        }
        // The window as the screen shows it is twice its size in pixels.
        QCOMPARE(window->grab().size(), window->size() * 2);
    }
    const QCursor hand = pointingHandPointer();
    QCOMPARE(hand.pixmap().devicePixelRatio(), 2.0);
    QCOMPARE(hand.pixmap().size(), QSize(64, 64));
}

int main(int argc, char* argv[])
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    installFontSubstitutions();
    TestHighDensity test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hidpi.moc"
