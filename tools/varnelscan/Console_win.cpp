#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "Console.h"
#include "base/Utf8.h"
#include "platform/SystemErrorText_win.h"
#include "platform/UniqueHandle_win.h"

namespace varnel::tools {
namespace {

// The console runs the handler on a thread of its own; the token's flag is
// atomic, which is all that thread touches.
std::atomic<core::ScanCancellationToken*> interruptTarget{nullptr};

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    core::ScanCancellationToken* token = interruptTarget.load();
    if (token == nullptr) {
        return FALSE;
    }
    token->Cancel();
    return TRUE;
}

}  // namespace

void CancelOnInterrupt(core::ScanCancellationToken* token) {
    interruptTarget.store(token);
    ::SetConsoleCtrlHandler(OnConsoleControl, token != nullptr ? TRUE : FALSE);
}

bool ErrorStreamIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void UseBinaryStandardStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace varnel::tools

namespace varnel::tools {

void ForgetWriteError() {
    errno = 0;
    _doserrno = 0;
}

// The C library folds many system errors into one errno (a closed pipe is
// "Invalid argument"); the system's own code says what happened.
std::string WriteErrorText(int error) {
    if (_doserrno != 0) {
        return core::WideToUtf8(platform::SystemErrorText(static_cast<DWORD>(_doserrno)));
    }
    return error != 0 ? std::strerror(error) : "write error";
}

bool StandardOutputIsOpen() {
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    return output != nullptr && output != INVALID_HANDLE_VALUE;
}

// A closed pipe is a failed write with its own error here, never a signal.
void ReportBrokenPipesAsWriteErrors() {}

std::wstring OpenFailureReason(const std::filesystem::path& file) {
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return {};  // not a file: the scan says what it is
    }
    const platform::UniqueFile opened(::CreateFileW(file.c_str(), GENERIC_READ,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (opened) {
        return {};
    }
    return platform::SystemErrorText(::GetLastError());
}

}  // namespace varnel::tools
