#pragma once

#include <QtGlobal>

// Brings forward the top-level window of a process once it appears: a bounded, best-effort
// watch that never blocks the user interface and never reports anything. Under X11 it uses
// the window manager's _NET_WM_PID and _NET_ACTIVE_WINDOW.
void activateWindowOf(qint64 processId);
