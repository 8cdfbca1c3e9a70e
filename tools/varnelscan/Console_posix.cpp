#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "Console.h"
#include "base/Utf8.h"

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

void ForgetWriteError() { errno = 0; }

std::string WriteErrorText(int error) { return error != 0 ? std::strerror(error) : "write error"; }

bool StandardOutputIsOpen() { return ::fcntl(STDOUT_FILENO, F_GETFD) != -1 || errno != EBADF; }

void ReportBrokenPipesAsWriteErrors() { std::signal(SIGPIPE, SIG_IGN); }

std::wstring OpenFailureReason(const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (error) {
        return core::Utf8ToWideForDisplay(error.message());
    }
    if (status.type() != std::filesystem::file_type::regular && status.type() != std::filesystem::file_type::block) {
        return {};
    }
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor == -1) {
        return core::Utf8ToWideForDisplay(std::strerror(errno));
    }
    ::close(descriptor);
    return {};
}

}  // namespace varnel::tools
