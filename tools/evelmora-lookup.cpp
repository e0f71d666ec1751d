// Looks a word up as a dictionary window would, in a process that starts in a millisecond or
// two: it answers from a compiled store (Provider=sqlite, or the compiled copy beside text
// tables) with SQLite and the ordering alone, without Qt. Whatever it does not answer itself (text tables, an unusual connection file, any
// failure to report) it hands to `evelmora-tables lookup` beside it, which prints the same
// entry or the message the window would show.
//   evelmora-lookup [--json] [--suggest] [--] DATA_DIRECTORY fr|en WORD
// --json prints the entry as JSON (the word, the entry, whether it was exact, the beginning
// that found it); --suggest prints the list a window offers under its box as the word is typed.
// Both are the tool's, which this hands them to.
// With EVELMORA_LOOKUP_NO_HANDOVER set it exits with status 3 instead of handing over.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "compiledcopy.h"
#include "quicklookup.h"

namespace {

std::string programDirectory()
{
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0)
        return ".";
    path.resize(std::size_t(length));
    return path.substr(0, path.rfind('/'));
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs("evelmora-lookup: looks a word up as a dictionary window would\n\n"
                   "usage: evelmora-lookup [--json] [--suggest] [--] DATA_DIRECTORY fr|en WORD\n"
                   "       evelmora-lookup --help | --version\n",
                   stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("evelmora-lookup " EVELMORA_VERSION);
        return 0;
    }
    if (argc == 4 && (std::strcmp(argv[2], "fr") == 0 || std::strcmp(argv[2], "en") == 0)) {
        const auto& direction = argv[2][0] == 'e' ? QueryTexts::englishToFrench : QueryTexts::frenchToEnglish;
        // Text tables are read from their compiled copy while it is up to date.
        if (const auto answer = quickLookup(CompiledCopy::directoryFor(argv[1], direction.connectionFile), direction, argv[3])) {
            std::fwrite(answer->data(), 1, answer->size(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
    if (std::getenv("EVELMORA_LOOKUP_NO_HANDOVER"))
        return 3;
    // The tool answers the rest, its usage message included.
    const std::string tool = programDirectory() + "/evelmora-tables";
    std::vector<char*> arguments { const_cast<char*>("evelmora-tables"), const_cast<char*>("lookup") };
    for (int i = 1; i < argc; ++i)
        arguments.push_back(argv[i]);
    arguments.push_back(nullptr);
    ::execv(tool.c_str(), arguments.data());
    std::fprintf(stderr, "evelmora-lookup: cannot start %s: %s\n", tool.c_str(), std::strerror(errno));
    return 2;
}
