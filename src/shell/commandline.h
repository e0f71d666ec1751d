#pragma once

#include <string>
#include <vector>

// What the program was asked on its command line.
struct CommandLine final {
    enum class Action { Start, LookUp, LookUpSelection, Help, Version, Usage };
    Action action = Action::Start;
    bool english = false; // LookUp: the English-to-French window
    std::string word; // LookUp: in UTF-8, as given
    // LookUpSelection: the clipboard rather than the primary selection; the window when the
    // user chose one (--fr, --en), else the program chooses.
    bool clipboard = false;
    bool languageChosen = false;
    std::string problem; // Usage: what is wrong with the arguments

    // `arguments` without the program's own name.
    static CommandLine parse(const std::vector<std::string>& arguments);
    // The usage text, ending in a newline.
    static const char* usage();
};
