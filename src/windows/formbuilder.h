#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QPixmap;
class QPushButton;
class QWidget;

// Builds the controls of the program's windows from their layout values, given in twips
// (15 twips make one pixel at 96 dots per inch).
namespace FormBuilder {

QRect pixels(const QRect& twips);
QFont face(const QString& family, qreal points, bool bold = false);

QLabel* addLabel(QWidget* parent, const QString& name, const QString& text, const QRect& twips, const QFont& font, const QColor& colour);
// An opaque label: the banners at the top and bottom of a window.
QLabel* addBanner(QWidget* parent, const QString& name, const QString& text, const QRect& twips, const QFont& font,
                  const QColor& colour, const QColor& background);
QPushButton* addButton(QWidget* parent, const QString& name, const QString& caption, const QString& tooltip, const QRect& twips,
                       const QFont& font, const QColor& face);
void setFace(QPushButton* button, const QColor& face);

// The window's background picture, stretched over `twips`.
QLabel* addPicture(QWidget* parent, const QString& name, const QString& svg, const QRect& twips);
QPixmap renderSvg(const QString& path, QSize size);

// Widens a label about its centre until its text fits, so a longer text is never cut.
void fitCentred(QLabel* label);

} // namespace FormBuilder
