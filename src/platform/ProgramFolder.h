#pragma once
// The folder that holds the running program: the settings file may live
// there, and the string tables always do. Windows only.

#include <string>

namespace varnel::platform {

// The full path of the program file without its last component, or empty
// when the system cannot tell it. Paths longer than MAX_PATH are read too.
std::wstring ProgramFolder();

}  // namespace varnel::platform
