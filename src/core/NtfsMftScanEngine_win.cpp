#include "core/NtfsMftScanEngine.h"

#include <windows.h>

#include <utility>

#include "core/MftScan.h"
#include "core/NtfsVolume_win.h"
#include "core/RootAttributes_win.h"
#include "core/PathRules.h"

namespace varnel::core {

NtfsMftScanEngine::NtfsMftScanEngine(std::uint64_t threadsPerDrive) : threadsPerDrive_(threadsPerDrive) {}

ScanResult NtfsMftScanEngine::Scan(const std::wstring& path, ScanCancellationToken& token,
                                   const ScanProgressCallback& progress) {
    MftScanStart start;
    start.start = ScanClock::now();
    start.rootPath = TrimTrailingSeparators(path);
    start.threadsPerDrive = threadsPerDrive_;
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

    const RootAttributes rootAttributes = ReadRootAttributes(rootPath);
    start.rootAttributes = rootAttributes.attributes;
    start.rootLastWriteTime = rootAttributes.lastWriteTime;

    WindowsVolumeReader reader(open.volume.get());
    return ScanMftVolume(reader, volume, std::move(start), token, progress);
}

}  // namespace varnel::core
