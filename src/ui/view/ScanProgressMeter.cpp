#include "ui/view/ScanProgressMeter.h"

#include <algorithm>

namespace varnel::ui {
namespace {

// "c:" and "C:\" name the same drive.
std::wstring DriveKey(const std::wstring& path) {
    std::wstring key = path;
    while (!key.empty() && (key.back() == L'\\' || key.back() == L'/')) {
        key.pop_back();
    }
    // Drive letters are ASCII; the rest of the key must match as it is.
    std::transform(key.begin(), key.end(), key.begin(),
                   [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; });
    return key;
}

int CappedPercent(std::uint64_t done, std::uint64_t total) {
    const double share = static_cast<double>(done) / static_cast<double>(total);
    return std::min(static_cast<int>(share * 100.0), RunningPercentCeiling);
}

}  // namespace

std::uint64_t ExpectedScanBytes(const std::vector<std::wstring>& roots,
                                const std::vector<platform::DriveInfo>& drives) {
    std::uint64_t expected = 0;
    for (const std::wstring& root : roots) {
        const auto drive = std::find_if(drives.begin(), drives.end(), [&](const platform::DriveInfo& info) {
            return DriveKey(info.rootPath) == DriveKey(root);
        });
        if (drive == drives.end() || drive->totalBytes == 0 || drive->freeBytes > drive->totalBytes) {
            return 0;
        }
        expected += drive->totalBytes - drive->freeBytes;
    }
    return expected;
}

std::optional<int> RunningScanPercent(const core::ScanProgress& progress, std::uint64_t expectedBytes) {
    if (progress.recordCount > 0) {
        return CappedPercent(progress.recordsRead, progress.recordCount);
    }
    if (expectedBytes > 0) {
        return CappedPercent(progress.bytesFound, expectedBytes);
    }
    return std::nullopt;
}

}  // namespace varnel::ui
