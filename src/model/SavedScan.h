#pragma once
// Saved scans: a whole ScanResult in a compact file of our own (layout in
// SavedScanFormat.h and the README), so a scan can be looked at again later
// or on another machine. The result reads back exactly: every node, name,
// size, attribute and time, the roots' own paths, errors, root failures,
// status, engine, message and counts. Portable; the caller does the file
// input and output.

#include <cstdint>
#include <span>
#include <string>

#include "model/SavedFile.h"
#include "model/ScanModel.h"

namespace varnel::core {

// The bytes of a saved scan of `result`. `savedAt` (seconds since 1970 UTC)
// tells a later comparison how old the scan is.
std::string WriteSavedScan(const ScanResult& result, std::int64_t savedAt);

struct SavedScanRead {
    SavedFileError error = SavedFileError::None;
    ScanResult result;         // empty unless error is None
    std::int64_t savedAt = 0;  // as written
};

// Reads a saved scan. Any problem gives its error and an empty result; the
// bytes are never trusted, so a damaged file cannot crash the reader or make
// it allocate more than the file could describe.
SavedScanRead ReadSavedScan(std::span<const std::byte> file);

// True when `file` starts as a saved scan does (for telling it from a snapshot).
bool LooksLikeSavedScan(std::span<const std::byte> file) noexcept;

}  // namespace varnel::core
