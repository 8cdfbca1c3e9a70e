#pragma once
// Single-threaded depth-first walk with FindFirstFileExW/FindNextFileW.
// Used only when a scan forces it; produces the same tree as the others.

#include <cstdint>
#include <string>

#include "core/ScanModel.h"

namespace varnel::core {

class DirectorySystem;

class DirectoryWalkScanEngine final : public IScanEngine {
public:
    // `system` exists for tests; the program uses the real file system.
    DirectoryWalkScanEngine();
    explicit DirectoryWalkScanEngine(DirectorySystem& system) : system_(system) {}

    // Failed, with a sentence, for a root that is missing, a file or a
    // device. Throws std::system_error when the thread that cancels blocked
    // calls cannot be started.
    ScanResult Scan(const std::wstring& path, ScanCancellationToken& token,
                    const ScanProgressCallback& progress) override;

private:
    DirectorySystem& system_;
};

// Of the ways opening a listing can fail, only "nothing matched" is no error:
// it is what an empty drive root answers. Every other failure leaves a folder
// whose contents are missing, and the user must see it.
constexpr bool IsRecordedListingFailure(std::uint32_t win32Error) noexcept {
    constexpr std::uint32_t ErrorFileNotFound = 2;
    constexpr std::uint32_t ErrorNoMoreFiles = 18;
    return win32Error != ErrorFileNotFound && win32Error != ErrorNoMoreFiles;
}

}  // namespace varnel::core
