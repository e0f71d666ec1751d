#include "centrerform.h"

#include <cfenv>
#include <cmath>
#include <limits>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

qint32 toLong(float value)
{
    std::fesetround(FE_TONEAREST);
    const float rounded = std::nearbyint(value);
    if (!(rounded >= static_cast<float>(std::numeric_limits<qint32>::min()) && rounded < 2147483648.0f))
        return value < 0 ? std::numeric_limits<qint32>::min() : std::numeric_limits<qint32>::max();
    return static_cast<qint32>(rounded);
}

} // namespace

QPoint centredPosition(float screenWidth, float screenHeight, float windowWidth, float windowHeight)
{
    const float dx = screenWidth - windowWidth;
    const float dy = screenHeight - windowHeight;
    return { toLong(dx) / 2, toLong(dy) / 2 };
}

void centrer_form(QWidget& window)
{
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const float twipsPerPixelX = 1440.0f / static_cast<float>(screen->logicalDotsPerInchX());
    const float twipsPerPixelY = 1440.0f / static_cast<float>(screen->logicalDotsPerInchY());
    const QSize screenSize = screen->geometry().size();
    const QSize outer = window.frameGeometry().size();
    const QPoint twips = centredPosition(static_cast<float>(screenSize.width()) * twipsPerPixelX, static_cast<float>(screenSize.height()) * twipsPerPixelY,
                                         static_cast<float>(outer.width()) * twipsPerPixelX, static_cast<float>(outer.height()) * twipsPerPixelY);
    window.move(screen->geometry().topLeft()
                + QPoint(qRound(static_cast<float>(twips.x()) / twipsPerPixelX), qRound(static_cast<float>(twips.y()) / twipsPerPixelY)));
}
