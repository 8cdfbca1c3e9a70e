#include "core/MftTreeAssembly.h"

#include <unordered_set>

#include "core/PathRules.h"

namespace varnel::core {

MftChildIndex BuildChildren(const std::vector<MftEntry>& entries) {
    MftChildIndex index;
    index.max_load_factor(1.0f);
    index.reserve(entries.size());
    for (std::uint64_t i = 0; i < entries.size(); ++i) {
        index[entries[i].parentRecordNumber].push_back(i);
    }
    return index;
}

namespace {

struct MftPendingFolder {
    std::uint64_t recordNumber;
    std::uint64_t nodeIndex;
    std::wstring path;
};

// Records whose child list the walk may read more than once: folders with
// several folder names, and the root (pushed before any name, and again by
// any folder name it has, such as its own "."). Every other folder's list is
// read once, so its names can be moved into the nodes instead of copied.
std::unordered_set<std::uint64_t> RecordsReadMoreThanOnce(const std::vector<MftEntry>& entries,
                                                          std::uint64_t rootRecordNumber) {
    std::unordered_set<std::uint64_t> seen{rootRecordNumber};
    std::unordered_set<std::uint64_t> repeated;
    for (const MftEntry& entry : entries) {
        if (entry.isDirectory && !seen.insert(entry.recordNumber).second) {
            repeated.insert(entry.recordNumber);
        }
    }
    return repeated;
}

void Report(MftProgressState& state) {
    if (state.callback) {
        state.callback(state.progress);
    }
}

}  // namespace

void PopulateTree(ScanTreeBuilder& builder, std::uint64_t rootIndex, const std::wstring& rootPath,
                  std::uint64_t rootRecordNumber, std::vector<MftEntry>& entries, const MftChildIndex& children,
                  const ScanCancellationToken& token, MftProgressState& progress) {
    // Copying every name into its node was a tenth of the walk on a
    // million-file volume; names read only once are moved instead.
    const std::unordered_set<std::uint64_t> readAgain = RecordsReadMoreThanOnce(entries, rootRecordNumber);
    // Positions of folder entries already expanded: a damaged MFT can make a
    // folder its own ancestor, and this keeps the walk finite.
    std::unordered_set<std::uint64_t> visited;
    visited.reserve(children.size());
    std::vector<MftPendingFolder> stack;
    stack.reserve(1024);
    stack.push_back({rootRecordNumber, rootIndex, rootPath});

    ScanProgress& report = progress.progress;
    while (!stack.empty()) {
        if (token.IsCancelled()) {
            break;
        }
        MftPendingFolder folder = std::move(stack.back());
        stack.pop_back();
        ++report.foldersScanned;
        report.currentPath = folder.path;
        Report(progress);

        const auto found = children.find(folder.recordNumber);
        if (found == children.end()) {
            continue;
        }
        const bool takeNames = readAgain.count(folder.recordNumber) == 0;
        for (const std::uint64_t i : found->second) {
            if (i >= entries.size()) {
                continue;
            }
            MftEntry& entry = entries[i];
            // The root folder names itself "." with itself as parent. Length
            // first: comparing every name of a million-file volume with the
            // two literals cost a tenth of the walk.
            const std::size_t length = entry.name.size();
            if (length == 0 || (length <= 2 && (entry.name == L"." || entry.name == L".."))) {
                continue;
            }
            std::wstring childPath = JoinPath(folder.path, entry.name);
            if (!entry.isDirectory) {
                ++report.filesScanned;
                const bool reportThisFile = report.filesScanned % progress.interval == 0;
                if (reportThisFile) {
                    report.currentPath = childPath;
                }
                builder.AddFile(folder.nodeIndex, takeNames ? std::move(entry.name) : entry.name, std::move(childPath),
                                entry.attributes, entry.size, 0);
                if (reportThisFile) {
                    Report(progress);
                }
                continue;
            }
            const std::uint64_t node = builder.AddFolder(folder.nodeIndex, takeNames ? std::move(entry.name) : entry.name,
                                                         childPath, entry.attributes, 0);
            if ((entry.attributes & FileAttributeReparsePoint) == 0 && visited.insert(i).second) {
                stack.push_back({entry.recordNumber, node, std::move(childPath)});
            }
        }
    }
}

std::string FormatMftTrace(const MftScanStats& stats, std::int64_t totalMs) {
    const auto u = [](std::uint64_t v) { return std::to_string(v); };
    const auto s = [](std::int64_t v) { return std::to_string(v); };
    std::string line = "[VarnelPerf] NtfsMftScanEngine::Scan detail: ";
    line += "chunks=" + u(stats.chunks);
    line += ", bytes=" + u(stats.bytes);
    line += ", records=" + u(stats.records);
    line += ", nodes=" + u(stats.nodes);
    line += ", parallelChunks=" + u(stats.parallelChunks);
    line += ", serialChunks=" + u(stats.serialChunks);
    line += ", runs=" + u(stats.runs);
    line += ", mftDataSize=" + u(stats.mftDataSize);
    line += ", queryVolumeMs=" + s(stats.queryVolumeMs);
    line += ", resolveRootMs=" + s(stats.resolveRootMs);
    line += ", readRunsMs=" + s(stats.readRunsMs);
    line += ", enumerateMftMs=" + s(stats.enumerateMftMs);
    line += ", buildChildrenMs=" + s(stats.buildChildrenMs);
    line += ", populateTreeMs=" + s(stats.populateTreeMs);
    line += ", finalizeMs=" + s(stats.finalizeMs);
    line += ", totalMs=" + s(totalMs);
    line += ", parseWorkerLimit=" + u(stats.parseWorkerLimit);
    line += '\n';
    return line;
}

bool IsMftTraceEnabled(std::wstring_view value) {
    return !value.empty() && value.size() < 16 && value.front() != L'0';
}

}  // namespace varnel::core
