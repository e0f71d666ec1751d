#pragma once

#include <QCursor>

// The pointing hand shown over the program's buttons, its hot spot at the fingertip.
QCursor pointingHandPointer();
