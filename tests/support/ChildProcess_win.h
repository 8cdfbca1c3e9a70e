#pragma once
// Starts another program of the build for a test: varnelscan.exe, varnel.exe
// or this test binary again under other settings.

#include <windows.h>

#include <optional>
#include <string>

#include "platform/UniqueHandle_win.h"

namespace varnel::testing {

// Starts `commandLine` (program path quoted first); standard output and
// error go to `output` when it is given, an inheritable handle. Empty when
// the process could not start.
inline platform::UniqueKernelHandle StartChild(std::wstring commandLine, HANDLE output = nullptr,
                                               DWORD creationFlags = 0) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, output != nullptr ? TRUE : FALSE,
                          creationFlags, nullptr, nullptr, &startup, &process)) {
        return {};
    }
    ::CloseHandle(process.hThread);
    return platform::UniqueKernelHandle(process.hProcess);
}

// Runs `commandLine` to its end; its exit code, or nothing when it could not
// start or did not end within `timeoutMs`.
inline std::optional<DWORD> RunChild(const std::wstring& commandLine, DWORD timeoutMs, HANDLE output = nullptr,
                                     DWORD creationFlags = 0) {
    const platform::UniqueKernelHandle process = StartChild(commandLine, output, creationFlags);
    if (!process || ::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.get(), &exitCode);
    return exitCode;
}

}  // namespace varnel::testing
