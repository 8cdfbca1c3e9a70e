#pragma once
// What varnelscan needs of the console, per platform.

#include <filesystem>
#include <string>

#include "model/ScanModel.h"

namespace varnel::tools {

// Ctrl+C (or Ctrl+Break) sets the token instead of ending the process, so an
// interrupted scan still prints the tree read so far. Null restores the default.
void CancelOnInterrupt(core::ScanCancellationToken* token);

// True when the error stream is an interactive terminal.
bool ErrorStreamIsTerminal();

// Standard output and error carry exact UTF-8 bytes with LF line ends.
void UseBinaryStandardStreams();

// False when the program was started with standard output closed.
bool StandardOutputIsOpen();

// Forgets the last write error, before a write whose failure is to be told.
void ForgetWriteError();
// Why the last write failed, in the system's words (UTF-8); `error` is the C
// library's errno for it.
std::string WriteErrorText(int error);

// A write to a pipe whose reader has gone fails with the reason (and the
// report says so) instead of ending the process without a word.
void ReportBrokenPipesAsWriteErrors();

// Why `file` cannot be opened for reading, in the system's words; empty
// when it can, or when it is not a regular file or device (a named pipe is
// never opened, so the check cannot block).
std::wstring OpenFailureReason(const std::filesystem::path& file);

}  // namespace varnel::tools
