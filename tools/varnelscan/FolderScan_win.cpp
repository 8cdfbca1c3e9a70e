#include "FolderScan.h"

#include "core/ScanScheduler.h"

namespace varnel::tools {

std::optional<core::ScanResult> ScanFolders(const ScanCommand& command, core::ScanCancellationToken& token,
                                            const core::ScanProgressCallback& progress, std::wstring&) {
    core::EngineChoice choice = core::EngineChoice::Automatic;
    switch (command.engine) {
        case EngineChoice::Auto: choice = core::EngineChoice::Automatic; break;
        case EngineChoice::Walk: choice = core::EngineChoice::DirectoryWalk; break;
        case EngineChoice::NtQuery: choice = core::EngineChoice::NtQueryDirectory; break;
        case EngineChoice::Mft: choice = core::EngineChoice::NtfsMft; break;
    }
    core::ScanScheduler scheduler(static_cast<std::uint32_t>(choice), command.threads);
    // One path is scanned as itself; several go under one merged root.
    const std::wstring displayName = command.paths.size() == 1 ? command.paths.front() : MergedRootName;
    return scheduler.Scan(command.paths, displayName, token, progress);
}

}  // namespace varnel::tools
