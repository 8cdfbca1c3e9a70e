#include "core/ScanScheduler.h"

#include <exception>
#include <utility>

#include "core/Elapsed.h"
#include "core/PathRules.h"
#include "core/ScanRootFailure.h"

namespace varnel::core {

ScanScheduler::ScanScheduler(std::uint32_t engineChoice, std::uint64_t threadsPerDrive, ScanEngineFactory engines)
    : engines_(std::move(engines)), engineChoice_(engineChoice), threadsPerDrive_(threadsPerDrive) {
    switch (static_cast<EngineChoice>(engineChoice)) {
        case EngineChoice::Automatic:
            break;
        case EngineChoice::NtQueryDirectory:
            engineOverride_ = engines_.createNtQueryEngine(threadsPerDrive_);
            break;
        case EngineChoice::NtfsMft:
            engineOverride_ = engines_.createMftEngine(threadsPerDrive_);
            break;
        case EngineChoice::DirectoryWalk:
        default:
            engineOverride_ = engines_.createWalkEngine();
            break;
    }
}

ScanResult ScanScheduler::ScanOneRoot(const std::wstring& path, ScanCancellationToken& token,
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
    // Everything that can run out of memory happens before anything moves.
    merged.nodes.reserve(merged.nodes.size() + root.nodes.size());
    merged.errors.reserve(merged.errors.size() + root.errors.size());
    merged.nodes[merged.rootIndex].children.reserve(merged.nodes[merged.rootIndex].children.size() + 1);
    const std::uint64_t offset = merged.nodes.size();
    const std::uint64_t mergedRoot = merged.rootIndex;
    for (ScanNode& node : root.nodes) {
        node.index += offset;
        node.parentIndex = node.parentIndex == NoIndex ? mergedRoot : node.parentIndex + offset;
        for (std::uint64_t& child : node.children) {
            child += offset;
        }
    }
    merged.nodes[mergedRoot].children.push_back(root.rootIndex + offset);
    for (ScanNode& node : root.nodes) {
        merged.nodes.push_back(std::move(node));
    }
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
    merged.rootIndex = 0;
    ScanNode& synthetic = merged.nodes.emplace_back();
    synthetic.index = 0;
    synthetic.isDirectory = true;
    synthetic.name = displayName;
    synthetic.path = displayName;
    synthetic.attributes = FileAttributeDirectory;

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
            merged.engine = ScanEngineKind::DirectoryWalk;
        }
        filesBefore += root.fileCount;
        foldersBefore += root.folderCount;
        if (root.rootIndex < root.nodes.size()) {
            bytesBefore += root.nodes[root.rootIndex].totalSize;
        }
        const bool rootCancelled = root.status == ScanStatus::Cancelled;
        try {
            MergeRootResult(merged, std::move(root));
        } catch (const std::bad_alloc&) {
            merged.rootFailures.push_back(DescribeRootProblem(rootPath, RootProblem::OutOfResources));
        }
        if (rootCancelled) {
            merged.status = ScanStatus::Cancelled;
            break;
        }
    }

    ScanNode& top = merged.nodes[0];
    for (const std::uint64_t child : top.children) {
        const ScanNode& rootNode = merged.nodes[child];
        top.totalSize = SaturatingAdd(top.totalSize, rootNode.totalSize);
        top.fileCount += rootNode.fileCount;
        top.folderCount += rootNode.folderCount + 1;
    }
    merged.elapsedMs = MeasureElapsedMs(start, ScanClock::now());
    if (!merged.rootFailures.empty()) {
        merged.message = JoinRootFailureReasons(merged.rootFailures);
        if (top.children.empty() && merged.status == ScanStatus::Completed) {
            merged.status = ScanStatus::Failed;
            merged.nodes.clear();
            merged.rootIndex = NoIndex;
            merged.folderCount = 0;
        }
    }
    return merged;
}

}  // namespace varnel::core
