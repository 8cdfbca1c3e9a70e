#include <windows.h>

#include <cstdio>

#include "ntfs/MftTreeAssembly.h"

namespace varnel::core {

void WriteMftTrace(const MftScanStats& stats, std::int64_t totalMs) {
    wchar_t value[16] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"VARNEL_MFT_TRACE", value, 16);
    // A value of 16 characters or more does not fit: the call then returns
    // the size it would need, which is above 15.
    if (length == 0 || length > 15 || !IsMftTraceEnabled(std::wstring_view(value, length))) {
        return;
    }
    // The line is ASCII, written as bytes: varnelscan puts the error stream
    // in binary mode for its UTF-8 output, and wide output through std::wcerr
    // then arrived as UTF-16, a NUL after every character.
    const std::string line = FormatMftTrace(stats, totalMs);
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace varnel::core
