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

// The root folder names itself "." with itself as parent. Reads the first
// character of every name (never empty).
bool IsDotName(std::wstring_view name) noexcept {
    return name[0] == L'.' && (name.size() == 1 || (name.size() == 2 && name[1] == L'.'));
}

}  // namespace

MftChildIndex BuildChildren(MftEntryList& entries, const NameStore& names, std::uint64_t recordLimit,
                            const ScanCancellationToken& token) {
    MftChildIndex index;
    const std::size_t count = entries.size();
    if (count > MftMaxEntries || recordLimit > MftMaxRecords) {
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
        MftEntry& entry = entries[i];
        if (entry.parentRecordNumber >= limit) {
            continue;
        }
        // Names are read here, in the order they were stored, rather than
        // by the walk, which meets them in folder order all over the store.
        if (entry.nameLength != 0 && IsDotName(names.View(entry.NamePosition(), entry.nameLength))) {
            entry.nameLength = 0;
        }
        if (entry.nameLength != 0) {
            ++start[static_cast<std::size_t>(entry.parentRecordNumber) + 1];
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
        if (i % MftEntryList::ChunkSize == 0) {
            entries.ReleaseBefore(i);
        }
        const MftEntry& entry = entries[i];
        if (entry.parentRecordNumber < limit) {
            if (entry.nameLength != 0) {
                index.links_[start[static_cast<std::size_t>(entry.parentRecordNumber)]++] = MftLink(entry);
            }
        } else {
            index.beyond_.push_back({entry.parentRecordNumber, MftLink(entry)});
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

// Paths are derived only when someone listens: a scan without progress
// builds none.
void Report(MftProgressState& state, const ScanTreeBuilder& builder, std::uint64_t node) {
    if (state.callback) {
        state.progress.currentPath = builder.Nodes()[node].Path();
        state.callback(state.progress);
    }
}

}  // namespace

MftTreeWalk::MftTreeWalk(ScanTreeBuilder& builder, const NameStore& names, const MftChildIndex& children,
                         const ScanCancellationToken& token, MftProgressState& progress)
    : builder_(builder),
      names_(names),
      namesInTree_(&names == &builder.Nodes().Names()),
      children_(children),
      token_(token),
      progress_(progress),
      // Folder records already expanded: a damaged MFT can make a folder its
      // own ancestor, and a folder can have several names; this keeps the
      // walk finite and each child list read once.
      expanded_(static_cast<std::size_t>(children.RecordLimit())),
      // A file with several names (hard links) takes its clusters once: they
      // count under the first of its names the walk meets, the others take 0.
      clustersCounted_(static_cast<std::size_t>(children.RecordLimit())) {
    stack_.reserve(1024);
}

std::uint64_t MftTreeWalk::NodeOf(std::uint64_t record) const noexcept {
    const auto it = std::lower_bound(watched_.begin(), watched_.end(), record);
    return it != watched_.end() && *it == record ? watchedNodes_[static_cast<std::size_t>(it - watched_.begin())]
                                                 : NoIndex;
}

void MftTreeWalk::Expand(std::uint64_t nodeIndex, MftFolderReference folder, MftLinkFilter filter) {
    if (nodeIndex == NoIndex || stopped_) {
        return;
    }
    if (folder.recordNumber < expanded_.size()) {
        expanded_[static_cast<std::size_t>(folder.recordNumber)] = true;
    }
    stack_.push_back({folder, nodeIndex, filter});
    Drain();
}

void MftTreeWalk::Adopt(std::uint64_t nodeIndex, std::span<const MftLink> links) {
    if (nodeIndex == NoIndex || stopped_) {
        return;
    }
    AddLinks({{~0ull, 0}, nodeIndex, MftLinkFilter::SequenceFits}, links, LinkNames::MayBeUnusable);
    Drain();
}

void MftTreeWalk::Drain() {
    ScanProgress& report = progress_.progress;
    while (!stack_.empty() && !stopped_) {
        if (token_.IsCancelled()) {
            stopped_ = true;
            break;
        }
        const Pending pending = stack_.back();
        stack_.pop_back();
        // The first folder and then one in `interval`, as with files: the
        // walk meets tens of thousands a second, more than anyone reads.
        if (report.foldersScanned++ % progress_.interval == 0) {
            Report(progress_, builder_, pending.nodeIndex);
        }
        AddLinks(pending, children_.ChildrenOf(pending.folder.recordNumber), LinkNames::Usable);
    }
}

void MftTreeWalk::AddLinks(const Pending& pending, std::span<const MftLink> list, LinkNames linkNames) {
    ScanProgress& report = progress_.progress;
    const bool takeFitting = pending.filter == MftLinkFilter::SequenceFits;
    bool sawStale = false;
    if (watchedNodes_.size() < watched_.size()) {
        watchedNodes_.resize(watched_.size(), NoIndex);
    }
    for (std::size_t first = 0; first < list.size(); first += LinkBatch) {
        const std::size_t count = std::min(LinkBatch, list.size() - first);
        // Look, then link: adopted links' names lie anywhere in the name
        // store, and loads issued together wait for memory together
        // instead of one after another.
        bool linked[LinkBatch];
        for (std::size_t k = 0; k < count; ++k) {
            const MftLink& link = list[first + k];
            const bool named = linkNames == LinkNames::Usable ||
                               (link.NameLength() != 0 && !IsDotName(link.Name(names_)));
            const bool fits = SequenceMatches(link.ParentSequence(), pending.folder.sequence);
            linked[k] = named && fits == takeFitting;
            sawStale |= named && !fits;
        }
        for (std::size_t k = 0; k < count; ++k) {
            if (CancelledAt(++step_, token_)) {
                stopped_ = true;
                return;
            }
            if (!linked[k]) {
                continue;
            }
            const MftLink& link = list[first + k];
            if (!link.IsDirectory()) {
                ++report.filesScanned;
                report.bytesFound += link.Size();
                const auto record = static_cast<std::size_t>(link.RecordNumber());
                const bool counted = record < clustersCounted_.size() && clustersCounted_[record];
                if (record < clustersCounted_.size()) {
                    clustersCounted_[record] = true;
                }
                const bool oversized = link.SizeOnDisk() > sizeOnDiskLimit_;
                const FileSizes sizes{link.Size(), counted || oversized ? 0 : link.SizeOnDisk()};
                const std::uint64_t node =
                    namesInTree_ ? builder_.AddFile(pending.nodeIndex, link.NameInStore(), link.Attributes(), sizes,
                                                    link.LastWriteTime())
                                 : builder_.AddFile(pending.nodeIndex, link.Name(names_), link.Attributes(), sizes,
                                                    link.LastWriteTime());
                if (oversized && !counted && node != NoIndex) {
                    oversized_.push_back({link.RecordNumber(), node, link.SizeOnDisk()});
                }
                if (!watched_.empty()) {
                    const auto it = std::lower_bound(watched_.begin(), watched_.end(), link.RecordNumber());
                    if (it != watched_.end() && *it == link.RecordNumber()) {
                        std::uint64_t& seen = watchedNodes_[static_cast<std::size_t>(it - watched_.begin())];
                        seen = seen == NoIndex ? node : seen;
                    }
                }
                if (report.filesScanned % progress_.interval == 0) {
                    Report(progress_, builder_, node == NoIndex ? pending.nodeIndex : node);
                }
                continue;
            }
            const std::uint64_t node =
                namesInTree_
                    ? builder_.AddFolder(pending.nodeIndex, link.NameInStore(), link.Attributes(), link.LastWriteTime())
                    : builder_.AddFolder(pending.nodeIndex, link.Name(names_), link.Attributes(), link.LastWriteTime());
            const auto record = static_cast<std::size_t>(link.RecordNumber());
            if (node != NoIndex && !link.IsNameSurrogate() && record < expanded_.size() && !expanded_[record]) {
                expanded_[record] = true;
                stack_.push_back({{link.RecordNumber(), link.RecordSequence()}, node, MftLinkFilter::SequenceFits});
            }
        }
    }
    if (sawStale && takeFitting && pending.folder.sequence != 0) {
        staleFolders_.push_back(pending.folder);
    }
}

void PopulateTree(ScanTreeBuilder& builder, std::uint64_t rootIndex, MftFolderReference root,
                  const NameStore& names, const MftChildIndex& children, const ScanCancellationToken& token,
                  MftProgressState& progress) {
    MftTreeWalk walk(builder, names, children, token, progress);
    walk.Expand(rootIndex, root);
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
    // Rejected records by reason, after every figure the line always had.
    for (std::size_t v = 1; v < stats.verdicts.size(); ++v) {
        line += ", ";
        line += VerdictTraceName(static_cast<MftRecordVerdict>(v));
        line += '=' + u(stats.verdicts[v]);
    }
    line += '\n';
    return line;
}

bool IsMftTraceEnabled(std::wstring_view value) {
    return !value.empty() && value.size() < 16 && value.front() != L'0';
}

}  // namespace varnel::core
