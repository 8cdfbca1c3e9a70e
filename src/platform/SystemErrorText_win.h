#pragma once
// The system's own sentence for an error code, for messages that must say
// why something failed.

#include <windows.h>

#include <string>

namespace varnel::platform {

// Without the trailing line break and full stop; "error N" when the system
// has no text for the code.
std::wstring SystemErrorText(DWORD error);

}  // namespace varnel::platform
