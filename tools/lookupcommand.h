#pragma once

#include <QString>

#include "commandanswer.h"

class Store;
struct Direction;
struct WindowData;

// The search of one window from the command line: the entry found as the window shows it,
// as JSON, or the list under the box. Apart from the tool so that tests run it in process.
namespace LookupCommand {

struct Style final {
    bool json = false;
    bool suggest = false;
};

using Answer = CommandAnswer;

// On a data directory, opened as a window opens it.
Answer run(const QString& dataDirectory, const QString& language, const QString& word, Style style = {});
// On tables already open; `language` is "fr" or "en", the direction of `data`.
Answer run(WindowData& data, const QString& language, const QString& word, Style style = {});

} // namespace LookupCommand
