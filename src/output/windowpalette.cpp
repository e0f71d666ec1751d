#include "windowpalette.h"

#include <memory>

#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

void useLightPalette(QWidget& window)
{
    // The program's style's own palette: what its windows look like on a desktop without a theme.
    static const QPalette light = [] {
        const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
        return fusion->standardPalette();
    }();
    window.setPalette(light);
}
