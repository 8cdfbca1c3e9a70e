#include <memory>

#include "directory/DirectoryWalkScanEngine.h"
#include "directory/NtQueryDirectoryScanEngine.h"
#include "ntfs/NtfsMftScanEngine.h"
#include "ntfs/NtfsVolume.h"
#include "scan/ScanScheduler.h"
#include "platform/Administrator.h"
#include "platform/Paths.h"

namespace varnel::core {

ScanEngineFactory SystemScanEngines() {
    // Elevated, the directory engines open folders with backup intent and so
    // list the ones whose ACL shuts out even administrators. Once per process.
    static const bool backupPrivilege = platform::EnableBackupPrivilege();
    static_cast<void>(backupPrivilege);
    ScanEngineFactory engines;
    engines.normalizeRoot = [](const std::wstring& path) { return platform::NormalizeScanRoot(path); };
    engines.isVolumeRoot = [](const std::wstring& path) { return platform::IsVolumeRoot(path); };
    engines.isRunningAsAdministrator = [] { return platform::IsRunningAsAdministrator(); };
    engines.isMftScanAvailable = [](const std::wstring& path) { return IsMftScanAvailable(path); };
    engines.createMftEngine = [](std::uint64_t threadsPerDrive) -> std::unique_ptr<IScanEngine> {
        return std::make_unique<NtfsMftScanEngine>(threadsPerDrive);
    };
    engines.createNtQueryEngine = [](std::uint64_t threadsPerDrive) -> std::unique_ptr<IScanEngine> {
        return std::make_unique<NtQueryDirectoryScanEngine>(threadsPerDrive);
    };
    engines.createWalkEngine = []() -> std::unique_ptr<IScanEngine> {
        return std::make_unique<DirectoryWalkScanEngine>();
    };
    return engines;
}

ScanScheduler::ScanScheduler(EngineChoice engineChoice, std::uint64_t threadsPerDrive)
    : ScanScheduler(engineChoice, threadsPerDrive, SystemScanEngines()) {}

}  // namespace varnel::core
