#include "core/MftTreeAssembly.h"

#include <unordered_set>

#include "core/PathRules.h"

namespace varnel::core {

namespace {

// How many names pass between two looks at the cancellation flag: a
// relaxed load per thousand names costs nothing, and a million names take
// well under 100 ms.
constexpr std::uint64_t CancellationStride = 1024;

bool CancelledAt(std::uint64_t step, const ScanCancellationToken& token) {
    return step % CancellationStride == 0 && token.IsCancelled();
}

}  // namespace

MftChildIndex BuildChildren(const std::vector<MftEntry>& entries, const ScanCancellationToken& token) {
    MftChildIndex index;
    index.max_load_factor(1.0f);
    index.reserve(entries.size());
    for (std::uint64_t i = 0; i < entries.size(); ++i) {
        if (CancelledAt(i, token)) {
            break;
        }
        index[entries[i].parentRecordNumber].push_back(i);
    }
    return index;
}

std::optional<std::uint16_t> FindFolderSequence(const std::vector<MftEntry>& entries, std::uint64_t recordNumber) {
    for (const MftEntry& entry : entries) {
        if (entry.recordNumber == recordNumber && entry.isDirectory) {
            return entry.recordSequence;
        }
    }
    return std::nullopt;
}

namespace {

struct MftPendingFolder {
    MftFolderReference folder;
    std::uint64_t nodeIndex;
    std::wstring path;
};

void Report(MftProgressState& state) {
    if (state.callback) {
        state.callback(state.progress);
    }
}

}  // namespace

void PopulateTree(ScanTreeBuilder& builder, std::uint64_t rootIndex, const std::wstring& rootPath,
                  MftFolderReference root, std::vector<MftEntry>& entries, const MftChildIndex& children,
                  const ScanCancellationToken& token, MftProgressState& progress) {
    // Folder records already expanded: a damaged MFT can make a folder its
    // own ancestor, and a folder can have several names; this keeps the walk
    // finite and each child list read once, so names can be moved out.
    std::unordered_set<std::uint64_t> expanded;
    expanded.reserve(children.size());
    expanded.insert(root.recordNumber);
    std::vector<MftPendingFolder> stack;
    stack.reserve(1024);
    stack.push_back({root, rootIndex, rootPath});

    // A file with several names (hard links) takes its clusters once: they
    // count under the first of its names the walk meets, the others take 0.
    std::vector<bool> clustersCounted;

    ScanProgress& report = progress.progress;
    std::uint64_t step = 0;
    while (!stack.empty()) {
        if (token.IsCancelled()) {
            break;
        }
        MftPendingFolder pending = std::move(stack.back());
        stack.pop_back();
        ++report.foldersScanned;
        report.currentPath = pending.path;
        Report(progress);

        const auto found = children.find(pending.folder.recordNumber);
        if (found == children.end()) {
            continue;
        }
        for (const std::uint64_t i : found->second) {
            if (CancelledAt(++step, token)) {
                return;
            }
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
            if (!SequenceMatches(entry.parentSequence, pending.folder.sequence)) {
                continue;
            }
            if (!entry.isDirectory) {
                ++report.filesScanned;
                report.bytesFound += entry.size;
                const bool reportThisFile = report.filesScanned % progress.interval == 0;
                if (entry.recordNumber >= clustersCounted.size()) {
                    clustersCounted.resize(entry.recordNumber + 1);
                }
                const bool counted = clustersCounted[entry.recordNumber];
                clustersCounted[entry.recordNumber] = true;
                builder.AddFile(pending.nodeIndex, entry.name, entry.attributes,
                                FileSizes{entry.size, counted ? 0 : entry.sizeOnDisk}, 0);
                if (reportThisFile) {
                    report.currentPath = JoinPath(pending.path, entry.name);
                    Report(progress);
                }
                continue;
            }
            const std::uint64_t node = builder.AddFolder(pending.nodeIndex, entry.name, entry.attributes, 0);
            if (node != NoIndex && !entry.isNameSurrogate && expanded.insert(entry.recordNumber).second) {
                stack.push_back({{entry.recordNumber, entry.recordSequence}, node, JoinPath(pending.path, entry.name)});
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
