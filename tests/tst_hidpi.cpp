// The pictures of the windows on a screen of twice the usual density: drawn with twice the
// pixels, not stretched.
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTest>

#include "buttonpointer.h"
#include "dictionarywindow.h"
#include "qtplatform.h"
#include "testservices.h"
#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// How far a picture drawn for twice the density, brought back to the window's size, is from
// the same picture drawn at the usual density: the mean difference of a channel, out of 255.
double differenceFromPlain(const QPixmap& dense, const QString& svg)
{
    const QSize size = dense.deviceIndependentSize().toSize();
    QImage plain(size, QImage::Format_ARGB32_Premultiplied);
    plain.fill(Qt::transparent);
    QSvgRenderer renderer(svg);
    QPainter painter(&plain);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    const QImage reduced = dense.toImage().scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(plain.format());
    double total = 0;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb a = plain.pixel(x, y);
            const QRgb b = reduced.pixel(x, y);
            total += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) + std::abs(qAlpha(a) - qAlpha(b));
        }
    }
    return total / (4.0 * size.width() * size.height());
}

} // namespace

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
        // And it is the same picture, only sharper: not drawn twice as large and cut off.
        const double off = differenceFromPlain(picture, french ? u":/assets/f1-background.svg"_s : u":/assets/eng2-background.svg"_s);
        QVERIFY2(off < 1, qPrintable(u"the background differs by %1 of 255"_s.arg(off)));
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
            const QString svg = name == u"cmdPlay" ? u":/assets/music-play.svg"_s : name == u"cmdStop" ? u":/assets/music-stop.svg"_s : u":/assets/music-folder.svg"_s;
            const double off = differenceFromPlain(icon, svg);
            QVERIFY2(off < 3, qPrintable(u"%1 differs by %2 of 255"_s.arg(name).arg(off)));
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
