#pragma once
// Single-threaded depth-first walk with FindFirstFileExW/FindNextFileW.
// Used only when a scan forces it; produces the same tree as the others.

#include <cstdint>
#include <string>

#include "core/ScanModel.h"

namespace varnel::core {

class DirectoryWalkScanEngine final : public IScanEngine {
public:
    // Never returns Failed: an unreadable root is scanned as an empty folder.
    ScanResult Scan(const std::wstring& path, ScanCancellationToken& token,
                    const ScanProgressCallback& progress) override;
};

// Of the ways opening a listing can fail, only a refusal is worth telling the
// user about; a folder that vanished or an empty drive root is not an error.
constexpr bool IsRecordedListingFailure(std::uint32_t win32Error) noexcept {
    constexpr std::uint32_t ErrorAccessDenied = 5;
    return win32Error == ErrorAccessDenied;
}

}  // namespace varnel::core
