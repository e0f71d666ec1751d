// Renders the application icon at the sizes of the desktop's icon theme, for the install.
//   evelmora-icons ICON.svg OUTPUT_DIRECTORY NAME SIZE...
// writes OUTPUT_DIRECTORY/SIZExSIZE/apps/NAME.png for each size.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5) {
        std::fputs("usage: evelmora-icons ICON.svg OUTPUT_DIRECTORY NAME SIZE...\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(args[1]);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "evelmora-icons: %s is no SVG picture it can read\n", qPrintable(args[1]));
        return 1;
    }
    for (const QString& text : args.mid(4)) {
        bool ok = false;
        const int size = text.toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            std::fprintf(stderr, "evelmora-icons: %s is not a size from 1 to 1024\n", qPrintable(text));
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args[2]).arg(size);
        const QString file = folder + u'/' + args[3] + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "evelmora-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
