#pragma once
// What varnel.exe is asked to do at start: nothing (an empty window), show
// its usage (/?, -h, --help), or scan the given folders and drives at once.
// The Explorer entry starts it with one path; a script may give several.

#include <string>
#include <vector>

namespace varnel::app {

struct ProgramArguments {
    bool showUsage = false;
    // Made absolute against the current folder, as the shell hands over
    // "." or a relative path typed at a prompt; several are scanned as one
    // merged result.
    std::vector<std::wstring> paths;
};

// Reads the process's own command line (the program's name left out).
ProgramArguments ReadProgramArguments();
// The same from arguments already split, for tests.
ProgramArguments ParseProgramArguments(const std::vector<std::wstring>& arguments);

}  // namespace varnel::app
