#include "FolderScan.h"

#include <memory>
#include <utility>

#include "directory/PosixDirectoryScanEngine.h"
#include "scan/ScanScheduler.h"

namespace varnel::tools {

// Every folder scan here goes to the POSIX backend of the native directory
// engine; "walk" asks it for one worker. The MFT engine needs a Windows
// volume (an image is scanned with --image).
std::optional<core::ScanResult> ScanFolders(const ScanCommand& command, core::ScanCancellationToken& token,
                                            const core::ScanProgressCallback& progress, std::wstring& unavailable) {
    if (command.engine == EngineChoice::NtfsMft) {
        unavailable = L"--engine mft reads Windows volumes; use --image FILE for an NTFS image";
        return std::nullopt;
    }
    const bool crossDevices = command.crossDevices;
    core::ScanEngineFactory engines;
    engines.normalizeRoot = [](const std::wstring& path) { return core::NormalizePosixScanRoot(path); };
    engines.isVolumeRoot = [](const std::wstring&) { return false; };
    engines.isRunningAsAdministrator = [] { return false; };
    engines.isMftScanAvailable = [](const std::wstring&) { return false; };
    engines.createMftEngine = [](std::uint64_t) -> std::unique_ptr<core::IScanEngine> { return nullptr; };
    engines.createNtQueryEngine = [crossDevices](std::uint64_t threads) -> std::unique_ptr<core::IScanEngine> {
        return std::make_unique<core::PosixDirectoryScanEngine>(threads, crossDevices);
    };
    engines.createWalkEngine = [crossDevices]() -> std::unique_ptr<core::IScanEngine> {
        return std::make_unique<core::PosixDirectoryScanEngine>(1, crossDevices);
    };
    core::ScanScheduler scheduler(command.engine, command.threads, std::move(engines));
    // One path is scanned as itself; several go under one merged root.
    const std::wstring displayName = command.paths.size() == 1 ? command.paths.front() : MergedRootName;
    return scheduler.Scan(command.paths, displayName, token, progress);
}

}  // namespace varnel::tools
