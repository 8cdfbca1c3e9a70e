#pragma once
// What varnelscan needs of the console, per platform.

#include "model/ScanModel.h"

namespace varnel::tools {

// Ctrl+C (or Ctrl+Break) sets the token instead of ending the process, so an
// interrupted scan still prints the tree read so far. Null restores the default.
void CancelOnInterrupt(core::ScanCancellationToken* token);

// True when the error stream is an interactive terminal.
bool ErrorStreamIsTerminal();

// Standard output and error carry exact UTF-8 bytes with LF line ends.
void UseBinaryStandardStreams();

}  // namespace varnel::tools
