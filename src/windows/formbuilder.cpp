#include "formbuilder.h"

#include <QGuiApplication>

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSvgRenderer>

namespace FormBuilder {

constexpr int twipsPerPixel = 15;

QRect pixels(const QRect& twips)
{
    return { twips.x() / twipsPerPixel, twips.y() / twipsPerPixel, twips.width() / twipsPerPixel, twips.height() / twipsPerPixel };
}

QFont face(const QString& family, qreal points, bool bold)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QLabel* addLabel(QWidget* parent, const QString& name, const QString& text, const QRect& twips, const QFont& font, const QColor& colour)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(pixels(twips));
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QLabel* addBanner(QWidget* parent, const QString& name, const QString& text, const QRect& twips, const QFont& font,
                  const QColor& colour, const QColor& background)
{
    QLabel* banner = addLabel(parent, name, text, twips, font, colour);
    banner->setAutoFillBackground(true);
    QPalette palette = banner->palette();
    palette.setColor(QPalette::Window, background);
    banner->setPalette(palette);
    return banner;
}

void setFace(QPushButton* button, const QColor& face)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, face);
    button->setPalette(palette);
}

QPushButton* addButton(QWidget* parent, const QString& name, const QString& caption, const QString& tooltip, const QRect& twips,
                       const QFont& font, const QColor& face)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(tooltip);
    button->setGeometry(pixels(twips));
    button->setFocusPolicy(Qt::StrongFocus);
    button->setFont(font);
    setFace(button, face);
    return button;
}

QPixmap renderSvg(const QString& path, QSize size)
{
    // As many pixels as the screen shows for that size: sharp on a high-density screen.
    const qreal ratio = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    QPainter painter(&pixmap);
    // Into the size in the window's units: left to itself the renderer fills the pixmap's
    // pixels, which the painter then scales by the ratio once more.
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

QLabel* addPicture(QWidget* parent, const QString& name, const QString& svg, const QRect& twips)
{
    auto* picture = new QLabel(parent);
    picture->setObjectName(name);
    picture->setGeometry(pixels(twips));
    picture->setPixmap(renderSvg(svg, picture->size()));
    picture->setProperty("svg", svg); // redrawn at the window's zoom
    return picture;
}

void fitCentred(QLabel* label)
{
    const int needed = label->fontMetrics().horizontalAdvance(label->text()) + 2;
    if (needed <= label->width())
        return;
    const QRect old = label->geometry();
    label->setGeometry(old.center().x() - needed / 2, old.y(), needed, old.height());
    label->setAlignment(Qt::AlignCenter);
}

} // namespace FormBuilder
