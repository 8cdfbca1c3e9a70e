#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>

#include "Console.h"

namespace varnel::tools {
namespace {

std::atomic<core::ScanCancellationToken*> interruptTarget{nullptr};
static_assert(std::atomic<core::ScanCancellationToken*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free, "the token is set from a signal handler");

extern "C" void OnInterrupt(int) {
    if (core::ScanCancellationToken* token = interruptTarget.load()) {
        token->Cancel();
    }
}

}  // namespace

void CancelOnInterrupt(core::ScanCancellationToken* token) {
    interruptTarget.store(token);
    std::signal(SIGINT, token != nullptr ? OnInterrupt : SIG_DFL);
}

bool ErrorStreamIsTerminal() { return ::isatty(::fileno(stderr)) != 0; }

void UseBinaryStandardStreams() {}

}  // namespace varnel::tools
