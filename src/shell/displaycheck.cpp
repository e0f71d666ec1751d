#include "displaycheck.h"

#include <xcb/xcb.h>

DisplayCheck::DisplayCheck()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        m_problem = QStringLiteral("no display to open windows on: DISPLAY is not set (the program needs a graphical desktop)");
        return;
    }
    m_connection = xcb_connect(display.constData(), nullptr);
    if (xcb_connection_has_error(m_connection) != 0) {
        release();
        m_problem = QStringLiteral("cannot connect to the display %1 (is the X server running, and may this user use it?)").arg(QString::fromLocal8Bit(display));
    }
}

DisplayCheck::~DisplayCheck()
{
    release();
}

void DisplayCheck::release()
{
    if (m_connection)
        xcb_disconnect(m_connection);
    m_connection = nullptr;
}
