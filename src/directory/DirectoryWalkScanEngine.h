#pragma once
// Single-threaded depth-first walk with FindFirstFileExW/FindNextFileW.
// Used only when a scan forces it; produces the same tree as the others.

#include <cstdint>
#include <string>

#include "model/ScanModel.h"

namespace varnel::core {

class DirectorySystem;

class DirectoryWalkScanEngine final : public IScanEngine {
public:
    // `system` and `nodeLimit` exist for tests; the program uses the real
    // file system and the most nodes a tree can hold.
    DirectoryWalkScanEngine();
    explicit DirectoryWalkScanEngine(DirectorySystem& system, std::uint64_t nodeLimit = ScanTree::MaxNodes)
        : system_(system), nodeLimit_(nodeLimit) {}

    // Failed, with a sentence, for a root that is missing, a file or a
    // device. Throws std::system_error when the thread that cancels blocked
    // calls cannot be started.
    ScanResult Scan(const std::wstring& path, ScanCancellationToken& token,
                    const ScanProgressCallback& progress) override;

private:
    DirectorySystem& system_;
    std::uint64_t nodeLimit_;
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
