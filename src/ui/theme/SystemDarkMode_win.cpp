#include "ui/theme/SystemDarkMode_win.h"

#include <windows.h>

#include <uxtheme.h>

namespace varnel::ui {

bool WindowsHasDarkModeEntries() {
    // GetVersionEx answers what the manifest allows; RtlGetVersion the truth.
    using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto getVersion =
        ntdll ? reinterpret_cast<RtlGetVersion>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion"))) : nullptr;
    return getVersion != nullptr && getVersion(&version) == 0 && version.dwMajorVersion >= 10 &&
           version.dwBuildNumber >= 17763;
}

bool SystemDrawsDarkScrollBars() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const bool wine = ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
    return !wine && WindowsHasDarkModeEntries() && ::IsAppThemed();
}

}  // namespace varnel::ui
