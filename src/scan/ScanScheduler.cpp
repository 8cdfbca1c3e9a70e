#include "scan/ScanScheduler.h"

#include <exception>
#include <utility>

#include "base/Elapsed.h"
#include "base/PathRules.h"
#include "model/ScanRootFailure.h"

namespace varnel::core {

ScanScheduler::ScanScheduler(EngineChoice engineChoice, std::uint64_t threadsPerDrive, ScanEngineFactory engines)
    : engines_(std::move(engines)), threadsPerDrive_(threadsPerDrive) {
    switch (engineChoice) {
        case EngineChoice::Automatic:
            break;
        case EngineChoice::NtQueryDirectory:
            engineOverride_ = engines_.createNtQueryEngine(threadsPerDrive_);
            break;
        case EngineChoice::NtfsMft:
            engineOverride_ = engines_.createMftEngine(threadsPerDrive_);
            break;
        case EngineChoice::DirectoryWalk:
            engineOverride_ = engines_.createWalkEngine();
            break;
    }
}

namespace {

// A root whose own listing failed holds nothing that was read: it is a
// failed root with its sentence, never an empty Completed tree.
ScanResult FailUnlistedRoot(ScanResult result) {
    if (result.status == ScanStatus::Failed) {
        return result;
    }
    for (const ScanError& error : result.errors) {
        if (error.path == result.rootPath) {
            ScanResult failed = MakeRootFailedResult(std::move(result.rootPath), RootProblem::Unreadable, result.elapsedMs);
            failed.engine = result.engine;
            return failed;
        }
    }
    return result;
}

}  // namespace

ScanResult ScanScheduler::ScanOneRoot(const std::wstring& path, ScanCancellationToken& token,
                                      const ScanProgressCallback& progress) {
    return FailUnlistedRoot(ScanOneRootWithEngine(path, token, progress));
}

ScanResult ScanScheduler::ScanOneRootWithEngine(const std::wstring& path, ScanCancellationToken& token,
                                                const ScanProgressCallback& progress) {
    if (engineOverride_) {
        return engineOverride_->Scan(path, token, progress);
    }
    if (engines_.isVolumeRoot(path) && engines_.isRunningAsAdministrator() && engines_.isMftScanAvailable(path)) {
        ScanResult mftResult = engines_.createMftEngine(threadsPerDrive_)->Scan(path, token, progress);
        if (mftResult.status != ScanStatus::Failed || token.IsCancelled()) {
            return mftResult;
        }
        // The volume could not be read as a whole; the native engine lists it
        // folder by folder instead, and the failure leaves no trace.
    }
    return engines_.createNtQueryEngine(threadsPerDrive_)->Scan(path, token, progress);
}

namespace {

// Every failed root names itself, also when its engine (the master-file-table
// one) gave only an English message.
void NameFailedRoot(ScanResult& result, const std::wstring& path) {
    if (result.status == ScanStatus::Failed && result.rootFailures.empty()) {
        result.rootFailures.push_back({path, {}, result.message});
    }
}

}  // namespace

std::wstring ScanScheduler::NormalizeRoot(const std::wstring& path) const {
    return engines_.normalizeRoot ? engines_.normalizeRoot(path) : NormalizeScanRootSyntax(path);
}

void MergeRootResult(ScanResult& merged, ScanResult&& root) {
    if (root.rootIndex == NoIndex || root.rootIndex >= root.nodes.size()) {
        return;
    }
    merged.errors.reserve(merged.errors.size() + root.errors.size());
    // The root's storage is freed as it is copied: at no moment are both whole.
    merged.nodes.AppendTree(std::move(root.nodes), merged.rootIndex);
    for (ScanError& error : root.errors) {
        merged.errors.push_back(std::move(error));
    }
    merged.fileCount += root.fileCount;
    merged.folderCount += root.folderCount;
    merged.errorCount += root.errorCount;
}

ScanResult ScanScheduler::Scan(const std::vector<std::wstring>& paths, const std::wstring& displayName,
                               ScanCancellationToken& token, const ScanProgressCallback& progress) {
    if (paths.size() == 1 && paths.front() == displayName) {
        ScanResult result = ScanOneRoot(NormalizeRoot(paths.front()), token, progress);
        NameFailedRoot(result, result.rootPath);
        return result;
    }

    const auto start = ScanClock::now();
    ScanResult merged;
    merged.status = ScanStatus::Completed;
    merged.engine = ScanEngineKind::DirectoryWalk;
    merged.rootPath = displayName;
    merged.rootIndex = merged.nodes.Append(NoIndex, true, displayName, FileAttributeDirectory, {}, 0);
    merged.nodes.SetOwnPath(merged.rootIndex, displayName);

    std::uint64_t filesBefore = 0;
    std::uint64_t foldersBefore = 0;
    std::uint64_t bytesBefore = 0;
    bool firstRootSeen = false;
    for (const std::wstring& path : paths) {
        if (token.IsCancelled()) {
            merged.status = ScanStatus::Cancelled;
            break;
        }
        // Keeps the counts climbing across drives instead of restarting at 0.
        // One drive's MFT record count says nothing of the whole, so only
        // the bytes measure a merged scan.
        const ScanProgressCallback wrapper = [&progress, filesBefore, foldersBefore,
                                              bytesBefore](const ScanProgress& report) {
            if (!progress) return;
            ScanProgress shifted = report;
            shifted.filesScanned += filesBefore;
            shifted.foldersScanned += foldersBefore;
            shifted.bytesFound += bytesBefore;
            shifted.recordsRead = 0;
            shifted.recordCount = 0;
            progress(shifted);
        };
        const std::wstring rootPath = NormalizeRoot(path);
        ScanResult root;
        try {
            root = ScanOneRoot(rootPath, token, wrapper);
        } catch (const std::exception&) {
            // Memory or threads ran out on this root: the drives already read
            // stay, and the next ones may still fit.
            root = MakeRootFailedResult(rootPath, RootProblem::OutOfResources, 0);
        }
        NameFailedRoot(root, rootPath);
        for (ScanRootFailure& failure : root.rootFailures) {
            merged.rootFailures.push_back(std::move(failure));
        }

        if (!firstRootSeen) {
            merged.engine = root.engine;
            firstRootSeen = true;
        } else if (merged.engine != root.engine) {
            merged.engine = ScanEngineKind::Mixed;
        }
        filesBefore += root.fileCount;
        foldersBefore += root.folderCount;
        if (root.rootIndex < root.nodes.size()) {
            bytesBefore += root.nodes[root.rootIndex].TotalSize();
        }
        const bool rootCancelled = root.status == ScanStatus::Cancelled;
        if (root.status == ScanStatus::NeedsCheck && merged.status == ScanStatus::Completed) {
            merged.status = ScanStatus::NeedsCheck;  // one damaged drive is news for the whole
        }
        try {
            MergeRootResult(merged, std::move(root));
        } catch (const std::exception&) {
            // Out of memory, or more nodes than one tree can index.
            merged.rootFailures.push_back(DescribeRootProblem(rootPath, RootProblem::OutOfResources));
        }
        if (rootCancelled) {
            merged.status = ScanStatus::Cancelled;
            break;
        }
    }

    merged.nodes.ComputeTotals();
    merged.nodes.IndexChildren();
    merged.elapsedMs = MeasureElapsedMs(start, ScanClock::now());
    if (!merged.rootFailures.empty()) {
        merged.message = JoinRootFailureReasons(merged.rootFailures);
        if (merged.nodes[merged.rootIndex].Children().empty() && merged.status == ScanStatus::Completed) {
            merged.status = ScanStatus::Failed;
            merged.nodes.clear();
            merged.rootIndex = NoIndex;
            merged.folderCount = 0;
        }
    }
    return merged;
}

}  // namespace varnel::core
