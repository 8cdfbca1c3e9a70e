#pragma once
// The "Analyse with Varnel" entry of Explorer's menu on folders and drives.
// It lives under the user's own HKCU\Software\Classes, so adding it needs no
// administrator rights and affects no other account; only the two keys
// named below are ever written or removed.

#include <windows.h>

#include <string>

namespace varnel::platform {

// HKCU\Software\Classes\Directory\shell\Varnel and ...\Drive\shell\Varnel.
inline constexpr const wchar_t* ExplorerEntryKeys[] = {L"Software\\Classes\\Directory\\shell\\Varnel",
                                                       L"Software\\Classes\\Drive\\shell\\Varnel"};

// True when both keys are there and start this very program (`exePath`);
// an entry left by a copy of Varnel elsewhere counts as absent.
bool IsExplorerEntryInstalled(const std::wstring& exePath);

// Writes both keys: the menu text `label`, the program's icon, and the
// command "exePath" "%V". On failure removes what it wrote and returns the
// Win32 error code; ERROR_SUCCESS on success.
LSTATUS InstallExplorerEntry(const std::wstring& exePath, const std::wstring& label);

// Deletes both keys and everything below them; a key that is not there is
// no failure.
LSTATUS RemoveExplorerEntry();

}  // namespace varnel::platform
