#include "ntfs/MftTreeAssembly.h"

#include <algorithm>

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

MftChildIndex BuildChildren(MftEntryList& entries, std::uint64_t recordLimit, const ScanCancellationToken& token) {
    MftChildIndex index;
    const std::size_t count = entries.size();
    if (count > MftMaxEntries) {
        return index;
    }
    const std::uint64_t limit = recordLimit;
    // Counting sort by parent: count each parent's names one place after
    // it, sum up to each parent's first place, then file.
    std::vector<std::uint32_t>& start = index.start_;
    start.assign(static_cast<std::size_t>(limit) + 1, 0);
    for (std::size_t i = 0; i < count; ++i) {
        if (CancelledAt(i, token)) {
            return {};
        }
        if (entries[i].parentRecordNumber < limit) {
            ++start[static_cast<std::size_t>(entries[i].parentRecordNumber) + 1];
        }
    }
    for (std::size_t r = 1; r < start.size(); ++r) {
        start[r] += start[r - 1];
    }
    index.links_ = std::make_unique_for_overwrite<MftLink[]>(start.back());
    // Filing moves each parent's start to its end; one shift puts it back.
    for (std::size_t i = 0; i < count; ++i) {
        if (CancelledAt(i, token)) {
            return {};
        }
        const MftEntry& entry = entries[i];
        if (entry.parentRecordNumber < limit) {
            index.links_[start[static_cast<std::size_t>(entry.parentRecordNumber)]++] = MftLink(entry);
        }
    }
    for (std::size_t r = start.size(); r-- > 1;) {
        start[r] = start[r - 1];
    }
    start[0] = 0;
    entries.clear();
    return index;
}

std::optional<std::uint16_t> FindFolderSequence(const MftEntryList& entries, std::uint64_t recordNumber) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].recordNumber == recordNumber && entries[i].isDirectory) {
            return entries[i].recordSequence;
        }
    }
    return std::nullopt;
}

namespace {

constexpr std::size_t LinkBatch = 32;

// The root folder names itself "." with itself as parent. Reads the first
// character of every name, which the batched walk relies on to fetch it.
bool IsDotName(std::wstring_view name) noexcept {
    return name[0] == L'.' && (name.size() == 1 || (name.size() == 2 && name[1] == L'.'));
}

struct MftPendingFolder {
    MftFolderReference folder;
    std::uint64_t nodeIndex;
};

// Paths are derived only when someone listens: a scan without progress
// builds none.
void Report(MftProgressState& state, const ScanTreeBuilder& builder, std::uint64_t node) {
    if (state.callback) {
        state.progress.currentPath = builder.Nodes()[node].Path();
        state.callback(state.progress);
    }
}

}  // namespace

void PopulateTree(ScanTreeBuilder& builder, std::uint64_t rootIndex, MftFolderReference root,
                  const NameStore& names, const MftChildIndex& children, const ScanCancellationToken& token,
                  MftProgressState& progress) {
    if (rootIndex == NoIndex) {
        return;
    }
    // Folder records already expanded: a damaged MFT can make a folder its
    // own ancestor, and a folder can have several names; this keeps the walk
    // finite and each child list read once. One bit per record that can
    // have children.
    std::vector<bool> expanded(static_cast<std::size_t>(children.RecordLimit()));
    if (root.recordNumber < expanded.size()) {
        expanded[static_cast<std::size_t>(root.recordNumber)] = true;
    }
    std::vector<MftPendingFolder> stack;
    stack.reserve(1024);
    stack.push_back({root, rootIndex});

    // A file with several names (hard links) takes its clusters once: they
    // count under the first of its names the walk meets, the others take 0.
    std::vector<bool> clustersCounted(static_cast<std::size_t>(children.RecordLimit()));

    ScanProgress& report = progress.progress;
    std::uint64_t step = 0;
    while (!stack.empty()) {
        if (token.IsCancelled()) {
            break;
        }
        const MftPendingFolder pending = stack.back();
        stack.pop_back();
        // The first folder and then one in `interval`, as with files: the
        // walk meets tens of thousands a second, more than anyone reads.
        if (report.foldersScanned++ % progress.interval == 0) {
            Report(progress, builder, pending.nodeIndex);
        }

        const std::span<const MftLink> list = children.ChildrenOf(pending.folder.recordNumber);
        for (std::size_t first = 0; first < list.size(); first += LinkBatch) {
            const std::size_t count = std::min(LinkBatch, list.size() - first);
            // Look, then link: a folder's names lie anywhere in the name
            // store, and loads issued together wait for memory together
            // instead of one after another.
            bool linked[LinkBatch];
            for (std::size_t k = 0; k < count; ++k) {
                const MftLink& link = list[first + k];
                linked[k] = link.NameLength() != 0 && !IsDotName(link.Name(names)) &&
                            SequenceMatches(link.ParentSequence(), pending.folder.sequence);
            }
            for (std::size_t k = 0; k < count; ++k) {
                if (CancelledAt(++step, token)) {
                    return;
                }
                if (!linked[k]) {
                    continue;
                }
                const MftLink& link = list[first + k];
                const std::wstring_view name = link.Name(names);
                if (!link.IsDirectory()) {
                    ++report.filesScanned;
                    report.bytesFound += link.Size();
                    const auto record = static_cast<std::size_t>(link.RecordNumber());
                    const bool counted = record < clustersCounted.size() && clustersCounted[record];
                    if (record < clustersCounted.size()) {
                        clustersCounted[record] = true;
                    }
                    const std::uint64_t node = builder.AddFile(pending.nodeIndex, name, link.Attributes(),
                                                               FileSizes{link.Size(), counted ? 0 : link.SizeOnDisk()}, 0);
                    if (report.filesScanned % progress.interval == 0) {
                        Report(progress, builder, node == NoIndex ? pending.nodeIndex : node);
                    }
                    continue;
                }
                const std::uint64_t node = builder.AddFolder(pending.nodeIndex, name, link.Attributes(), 0);
                const auto record = static_cast<std::size_t>(link.RecordNumber());
                if (node != NoIndex && !link.IsNameSurrogate() && record < expanded.size() && !expanded[record]) {
                    expanded[record] = true;
                    stack.push_back({{link.RecordNumber(), link.RecordSequence()}, node});
                }
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
