#pragma once

#include <optional>

#include <QString>

struct xcb_connection_t;

// Whether the program can open its windows, asked before Qt is started: Qt's own answer to a
// missing display is an abort.
class DisplayCheck final {
    Q_DISABLE_COPY_MOVE(DisplayCheck)

public:
    DisplayCheck();
    ~DisplayCheck();

    // Why no window can be opened; empty when a display is there, or when another windowing
    // platform was asked for.
    const std::optional<QString>& problem() const { return m_problem; }
    // The windowing platform Qt is to use, when the check chose one: "wayland" on a desktop
    // that has a Wayland display and no X one.
    const QByteArray& platform() const { return m_platform; }

    // Closes the connection the check made. Call once Qt has its own: an X server without other
    // clients resets when its last one leaves, and the next to connect waits for it.
    void release();

private:
    xcb_connection_t* m_connection = nullptr;
    std::optional<QString> m_problem;
    QByteArray m_platform;
};
