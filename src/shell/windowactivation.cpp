#include "windowactivation.h"

#include <QGuiApplication>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

namespace {

constexpr int attempts = 25;
constexpr int intervalMs = 200;

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(qstrlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t result = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    free(reply);
    return result;
}

QList<xcb_window_t> windowsProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
{
    QList<xcb_window_t> values;
    const auto cookie = xcb_get_property(connection, 0, window, property, type, 0, 4096);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (reply && reply->format == 32) {
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        const int count = xcb_get_property_value_length(reply) / 4;
        for (int i = 0; i < count; ++i)
            values.append(data[i]);
    }
    free(reply);
    return values;
}

// True once a window of the process was found and asked to the front.
bool tryActivate(xcb_connection_t* connection, qint64 processId)
{
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return false;
    const xcb_atom_t clientList = atom(connection, "_NET_CLIENT_LIST");
    const xcb_atom_t wmPid = atom(connection, "_NET_WM_PID");
    const xcb_atom_t activeWindow = atom(connection, "_NET_ACTIVE_WINDOW");
    if (clientList == XCB_ATOM_NONE || wmPid == XCB_ATOM_NONE || activeWindow == XCB_ATOM_NONE)
        return false;
    for (const xcb_window_t window : windowsProperty(connection, screen->root, clientList, XCB_ATOM_WINDOW)) {
        const QList<xcb_window_t> pid = windowsProperty(connection, window, wmPid, XCB_ATOM_CARDINAL);
        if (pid.isEmpty() || pid.front() != static_cast<quint64>(processId))
            continue;
        xcb_client_message_event_t event {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = activeWindow;
        event.data.data32[0] = 1; // from an application
        xcb_send_event(connection, 0, screen->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(connection);
        return true;
    }
    return false;
}

} // namespace

void activateWindowOf(qint64 processId)
{
    // Without a GUI application (a console tool, a test) there is no window to look for.
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = application ? application->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    auto* timer = new QTimer(application);
    timer->setInterval(intervalMs);
    auto remaining = std::make_shared<int>(attempts);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, remaining, processId, connection = x11->connection()] {
        if (tryActivate(connection, processId) || --*remaining <= 0)
            timer->deleteLater();
    });
    timer->start();
}
