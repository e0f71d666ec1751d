#include "commandline.h"

CommandLine CommandLine::parse(const std::vector<std::string>& arguments)
{
    CommandLine line;
    if (arguments.empty())
        return line;
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        line.action = Action::Help;
        return line;
    }
    if (arguments.size() == 1 && arguments[0] == "--version") {
        line.action = Action::Version;
        return line;
    }
    if (arguments.size() == 2 && (arguments[0] == "--fr" || arguments[0] == "--en")) {
        line.action = Action::LookUp;
        line.english = arguments[0] == "--en";
        line.word = arguments[1];
        return line;
    }
    const std::string& first = arguments[0];
    if (first == "--selection" || first == "--clipboard") {
        line.clipboard = first == "--clipboard";
        if (arguments.size() == 1 || (arguments.size() == 2 && (arguments[1] == "--fr" || arguments[1] == "--en"))) {
            line.action = Action::LookUpSelection;
            line.languageChosen = arguments.size() == 2;
            line.english = line.languageChosen && arguments[1] == "--en";
        } else {
            line.action = Action::Usage;
            line.problem = first + " takes only --fr or --en after it";
        }
        return line;
    }
    line.action = Action::Usage;
    if (first == "--fr" || first == "--en")
        line.problem
            = arguments.size() == 1 ? first + " needs a word" : "one look-up at a time: " + first + " takes one word";
    else if (first == "--help" || first == "-h" || first == "--version")
        line.problem = first + " takes nothing after it";
    else if (first.starts_with('-'))
        line.problem = "unknown option " + first;
    else
        line.problem = "a word needs --fr or --en before it: " + first;
    return line;
}

const char* CommandLine::usage()
{
    return "usage: evelmora                 start at the welcome window\n"
           "       evelmora --fr WORD       open the French-to-English dictionary on WORD\n"
           "       evelmora --en WORD       open the English-to-French dictionary on WORD\n"
           "       evelmora --selection     look up the selected text (the primary selection)\n"
           "       evelmora --clipboard     look up the text on the clipboard\n"
           "       evelmora --help | --version\n"
           "A look-up while the program runs is shown in the running program. Without it, a\n"
           "selection is shown in a small window. --fr or --en after --selection or --clipboard\n"
           "chooses the dictionary; without them, the one that holds the word, French first.\n";
}
