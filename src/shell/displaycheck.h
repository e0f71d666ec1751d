#pragma once

#include <optional>

#include <QString>

// Why the program could not open its windows, asked before Qt is started: Qt's own answer
// to a missing display is an abort.
// Empty when a display is there, or when another windowing platform was asked for.
std::optional<QString> displayProblem();
