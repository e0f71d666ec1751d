#include "displaycheck.h"

#include <sys/stat.h>
#include <xcb/xcb.h>

#include <QFile>

DisplayCheck::DisplayCheck()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    if (display.isEmpty() && !wayland.isEmpty() && (platform.isEmpty() || platform == "wayland")) {
        // A Wayland display is a socket, by its path or its name in the runtime folder.
        const QString socket = wayland.startsWith('/') ? QString::fromLocal8Bit(wayland)
                                                       : QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR")) + u'/' + QString::fromLocal8Bit(wayland);
        struct stat status {};
        if (::stat(QFile::encodeName(socket).constData(), &status) != 0 || !S_ISSOCK(status.st_mode)) {
            m_problem = QStringLiteral("cannot connect to the Wayland display %1: there is no socket %2 (is the desktop session running?)")
                            .arg(QString::fromLocal8Bit(wayland), socket);
            return;
        }
        m_platform = "wayland";
        return;
    }
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return;
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
