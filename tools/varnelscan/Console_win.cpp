#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdio>

#include "Console.h"

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
