#include <windows.h>

#include <iostream>

#include "core/MftTreeAssembly.h"

namespace varnel::core {

void WriteMftTrace(const MftScanStats& stats, std::int64_t totalMs) {
    wchar_t value[16] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"VARNEL_MFT_TRACE", value, 16);
    // A value of 16 characters or more does not fit: the call then returns
    // the size it would need, which is above 15.
    if (length == 0 || length > 15 || !IsMftTraceEnabled(std::wstring_view(value, length))) {
        return;
    }
    const std::string line = FormatMftTrace(stats, totalMs);
    std::wcerr << std::wstring(line.begin(), line.end());  // ASCII only
    std::wcerr.flush();
}

}  // namespace varnel::core
