#include "FolderScan.h"

#include "scan/ScanScheduler.h"

namespace varnel::tools {

std::optional<core::ScanResult> ScanFolders(const ScanCommand& command, core::ScanCancellationToken& token,
                                            const core::ScanProgressCallback& progress, std::wstring&) {
    core::ScanScheduler scheduler(command.engine, command.threads);
    // One path is scanned as itself; several go under one merged root.
    const std::wstring displayName = command.paths.size() == 1 ? command.paths.front() : MergedRootName;
    return scheduler.Scan(command.paths, displayName, token, progress);
}

}  // namespace varnel::tools
