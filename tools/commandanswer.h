#pragma once

#include <QString>

// What one of the tool's commands prints on each channel and its exit status, so that tests
// run a command in process and the tool prints what it gives.
struct CommandAnswer final {
    int status = 0;
    QString out;
    QString err;
};
