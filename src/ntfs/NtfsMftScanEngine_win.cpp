#include "ntfs/NtfsMftScanEngine.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

#include "ntfs/MftScan.h"
#include "ntfs/NtfsVolume_win.h"
#include "base/PathRules.h"

namespace varnel::core {
namespace {

struct VolumeRootAttributes {
    std::uint32_t attributes = FILE_ATTRIBUTE_DIRECTORY;
    std::uint64_t lastWriteTime = 0;
};

// The volume is already open, so a root whose attributes cannot be read is
// still scanned: as a plain folder with time 0.
VolumeRootAttributes ReadVolumeRootAttributes(const std::wstring& path) {
    VolumeRootAttributes root;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        root.attributes = data.dwFileAttributes;
        root.lastWriteTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                             data.ftLastWriteTime.dwLowDateTime;
    }
    return root;
}

}  // namespace

NtfsMftScanEngine::NtfsMftScanEngine(std::uint64_t threadsPerDrive) : threadsPerDrive_(threadsPerDrive) {}

ScanResult NtfsMftScanEngine::Scan(const std::wstring& path, ScanCancellationToken& token,
                                   const ScanProgressCallback& progress) {
    MftScanStart start;
    start.start = ScanClock::now();
    start.rootPath = TrimTrailingSeparators(path);
    start.threadsPerDrive = threadsPerDrive_;
    start.volumeMayChange = true;
    const std::wstring& rootPath = start.rootPath;

    NtfsVolumeOpen open = OpenNtfsVolume(rootPath);
    if (!open.volume) {
        return MakeFailedMftResult(std::move(start.rootPath), open.failure, start.start);
    }

    NtfsVolumeData volume;
    auto t = ScanClock::now();
    const VolumeQuery query = QueryVolume(open.volume.get(), volume);
    if (query == VolumeQuery::Failed) {
        return MakeFailedMftResult(std::move(start.rootPath), L"NTFS volume data could not be queried.", start.start);
    }
    start.stats.queryVolumeMs = MeasureElapsedMs(t, ScanClock::now());
    if (query == VolumeQuery::NotUsable) {
        return MakeFailedMftResult(std::move(start.rootPath), L"NTFS volume data is not usable.", start.start);
    }

    t = ScanClock::now();
    const std::optional<std::uint64_t> root = ResolveRoot(rootPath);
    if (!root) {
        return MakeFailedMftResult(std::move(start.rootPath), L"Root file reference number could not be resolved.",
                                   start.start);
    }
    start.stats.resolveRootMs = MeasureElapsedMs(t, ScanClock::now());
    start.rootRecordNumber = *root;

    const VolumeRootAttributes rootAttributes = ReadVolumeRootAttributes(rootPath);
    start.rootAttributes = rootAttributes.attributes;
    start.rootLastWriteTime = rootAttributes.lastWriteTime;

    WindowsVolumeReader reader(open.volume.get());
    return ScanMftVolume(reader, volume, std::move(start), token, progress);
}

}  // namespace varnel::core
