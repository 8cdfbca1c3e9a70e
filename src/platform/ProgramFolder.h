#pragma once
// The folder that holds the running program: the settings file may live
// there, and the string tables always do; and the program file, which the
// elevated restart starts again. Windows only.

#include <string>

namespace varnel::platform {

// The full path of the program file without its last component, or empty
// when the system cannot tell it. Paths longer than MAX_PATH are read too.
std::wstring ProgramFolder();

// The full path of the program file itself, or empty when the system
// cannot tell it.
std::wstring ProgramFilePath();

}  // namespace varnel::platform
