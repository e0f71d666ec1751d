#include "displaycheck.h"

#include <xcb/xcb.h>

std::optional<QString> displayProblem()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return std::nullopt;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("no display to open windows on: DISPLAY is not set (the program needs a graphical desktop)");
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    const int error = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (error != 0)
        return QStringLiteral("cannot connect to the display %1 (is the X server running, and may this user use it?)").arg(QString::fromLocal8Bit(display));
    return std::nullopt;
}
