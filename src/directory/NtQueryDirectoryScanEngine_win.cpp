#include "directory/NtQueryDirectoryScanEngine.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <atomic>
#include <cstddef>
#include <memory>
#include <new>
#include <span>
#include <utility>
#include <vector>

#include "model/ChunkedArray.h"
#include "directory/DirectoryBatch.h"
#include "base/Elapsed.h"
#include "directory/NtDirectoryApi_win.h"
#include "base/PathRules.h"
#include "directory/RootAttributes_win.h"
#include "model/ScanTreeBuilder.h"
#include "directory/HardLinks.h"
#include "directory/ParallelWalk.h"

namespace varnel::core {
namespace {

constexpr std::size_t QueryBufferBytes = 65536;
constexpr std::size_t QueryBufferAlignment = 32;

struct AlignedBufferDeleter {
    void operator()(std::byte* bytes) const noexcept {
        ::operator delete[](bytes, std::align_val_t{QueryBufferAlignment});
    }
};
using QueryBuffer = std::unique_ptr<std::byte[], AlignedBufferDeleter>;

QueryBuffer AllocateQueryBuffer() {
    auto* bytes = static_cast<std::byte*>(::operator new[](QueryBufferBytes, std::align_val_t{QueryBufferAlignment}));
    std::fill_n(bytes, QueryBufferBytes, std::byte{0});
    return QueryBuffer(bytes);
}

// One name of a file that takes room on disk, under the ID all names of
// the file share. The ID in two 32-bit halves keeps it at 12 bytes, not 16:
// a volume can hold tens of millions of them.
struct NamedFile {
    std::uint32_t idLow;
    std::uint32_t idHigh;
    std::uint32_t node;

    std::uint64_t Id() const noexcept { return (static_cast<std::uint64_t>(idHigh) << 32) | idLow; }
};
using NamedFiles = ChunkedArray<NamedFile, 14>;

// The listing gives no link count, so every file that takes room is noted
// by ID, and the names are sorted by ID when the listing is done: copied
// out chunk by chunk as the chunks are freed, so they are never held twice.
void CountEachFileOnce(std::span<NamedFiles> lists, ScanTreeBuilder& builder) {
    std::vector<NamedFile> sorted;
    std::size_t total = 0;
    for (const NamedFiles& names : lists) total += names.size();
    sorted.reserve(total);
    for (NamedFiles& names : lists) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            sorted.push_back(names[i]);
            names.ReleaseBefore(i);
        }
        names.clear();
    }
    std::sort(sorted.begin(), sorted.end(), [](const NamedFile& a, const NamedFile& b) { return a.Id() < b.Id(); });
    std::vector<std::uint32_t> sameFile;
    for (std::size_t first = 0; first < sorted.size();) {
        std::size_t end = first + 1;
        while (end < sorted.size() && sorted[end].Id() == sorted[first].Id()) {
            ++end;
        }
        if (end - first > 1) {
            sameFile.clear();
            for (std::size_t i = first; i < end; ++i) sameFile.push_back(sorted[i].node);
            KeepOnDiskUnderOneName(sameFile, builder);
        }
        first = end;
    }
}

constexpr DirectoryRecordLayout RecordLayouts[] = {FileIdBothDirectoryLayout, FileBothDirectoryLayout,
                                                   FileDirectoryLayout};

bool IsRefusedInformationClass(LONG status) noexcept {
    return status == StatusInvalidInfoClass || status == StatusNotSupported;
}

// Index into RecordLayouts of the class this volume accepts, shared by the
// workers of one scan; it only ever grows, and every worker uses the latest.
class AcceptedClass {
public:
    std::size_t Current() const noexcept { return index_.load(); }
    // Steps down from `refused` to the next class, once for the whole scan;
    // false when none is left.
    bool FallBackFrom(std::size_t refused) noexcept {
        if (refused + 1 >= std::size(RecordLayouts)) {
            return false;
        }
        // Another worker may have stepped down already; either way the next
        // attempt uses the newer class.
        std::size_t expected = refused;
        index_.compare_exchange_strong(expected, refused + 1);
        return true;
    }

private:
    std::atomic<std::size_t> index_{0};
};

// One worker's listing with the native directory query: its query buffer,
// the decoded batch and the names of files that may have others.
class NtQueryReader final : public FolderReader {
public:
    NtQueryReader(DirectorySystem& system, AcceptedClass& accepted, BlockedCallCanceller& canceller)
        : system_(system), accepted_(accepted), canceller_(canceller), buffer_(AllocateQueryBuffer()) {}

    // Every worker registers, so a stuck share cannot hold it.
    void RunWorker(const std::function<void()>& work) override {
        const BlockedCallCanceller::Registration registration(canceller_);
        work();
    }

    void Read(FolderVisit& visit) override;

    NamedFiles namedFiles;

private:
    void NoteNamedFiles(const FolderVisit& visit);

    DirectorySystem& system_;
    AcceptedClass& accepted_;
    BlockedCallCanceller& canceller_;
    QueryBuffer buffer_;
    DirectoryBatch batch_;
};

void NtQueryReader::Read(FolderVisit& visit) {
    // The "\\?\" form: long paths and names ending in a dot or a space
    // reach the folder itself, not a shortened neighbour.
    SystemListing directory(system_, &DirectorySystem::CloseDirectory);
    if (const std::uint32_t error = system_.OpenDirectory(ExtendedLengthPath(visit.Path()), directory.put());
        error != 0) {
        visit.Fail(error);
        return;
    }
    if (visit.ShouldStop()) {
        return;
    }

    bool firstCall = true;
    std::size_t layoutIndex = accepted_.Current();
    for (;;) {
        const DirectoryRecordLayout& layout = RecordLayouts[layoutIndex];
        NtIoStatusBlock status{};
        const LONG result = system_.QueryDirectory(directory.get(), status, buffer_.get(),
                                                   static_cast<ULONG>(QueryBufferBytes), layout.informationClass,
                                                   firstCall);
        if (result == StatusNoMoreFiles || result == StatusNoSuchFile) {
            return;
        }
        if (firstCall && IsRefusedInformationClass(result) && accepted_.FallBackFrom(layoutIndex)) {
            layoutIndex = accepted_.Current();
            continue;
        }
        if (result < 0) {
            visit.Fail(system_.StatusToWin32Error(result));
            return;
        }
        firstCall = false;

        const std::size_t filled = status.information < QueryBufferBytes ? status.information : QueryBufferBytes;
        ParseDirectoryBatch(std::span<const std::byte>(buffer_.get(), filled), batch_, layout);
        const bool goOn = visit.Add(batch_);
        NoteNamedFiles(visit);
        if (!goOn) {
            return;
        }
    }
}

// Only a file that takes room can be counted twice; 0 is an unknown ID,
// which must never join two files.
void NtQueryReader::NoteNamedFiles(const FolderVisit& visit) {
    const std::span<const std::uint64_t> nodes = visit.AddedNodes();
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const DirectoryEntryRecord& entry = batch_.entries[i];
        if (nodes[i] != NoIndex && !entry.isDirectory && entry.fileId != 0 && entry.sizeOnDisk != 0) {
            namedFiles.push_back({static_cast<std::uint32_t>(entry.fileId),
                                  static_cast<std::uint32_t>(entry.fileId >> 32),
                                  static_cast<std::uint32_t>(nodes[i])});
        }
    }
}

}  // namespace

NtQueryDirectoryScanEngine::NtQueryDirectoryScanEngine(std::uint64_t threadsPerDrive)
    : NtQueryDirectoryScanEngine(SystemDirectories(), threadsPerDrive) {}

ScanResult NtQueryDirectoryScanEngine::Scan(const std::wstring& path, ScanCancellationToken& token,
                                            const ScanProgressCallback& progress) {
    const auto start = ScanClock::now();

    std::wstring rootPath = NormalizeScanRootSyntax(path);
    const RootAttributes root = ReadRootAttributes(system_, rootPath);
    if (root.problem) {
        ScanResult failed =
            MakeRootFailedResult(std::move(rootPath), *root.problem, MeasureElapsedMs(start, ScanClock::now()));
        failed.engine = ScanEngineKind::NtQueryDirectory;
        return failed;
    }

    ScanTreeBuilder builder(nodeLimit_);
    const std::uint64_t rootIndex = builder.AddRoot(rootPath, root.attributes, root.lastWriteTime);
    // File IDs are unique within one volume, and the listing never leaves
    // the root's volume: mount points are name surrogates, never entered.
    {
        BlockedCallCanceller canceller(system_, token);
        AcceptedClass accepted;
        std::vector<std::unique_ptr<NtQueryReader>> readers;
        std::vector<FolderReader*> workers;
        for (std::uint64_t i = 0; i < WorkerCountFor(threadsPerDrive_); ++i) {
            readers.push_back(std::make_unique<NtQueryReader>(system_, accepted, canceller));
            workers.push_back(readers.back().get());
        }
        ParallelWalk walk(builder, rootIndex, rootPath, L'\\', token, progress);
        walk.Run(workers);
        std::vector<NamedFiles> named;
        for (auto& reader : readers) {
            named.push_back(std::move(reader->namedFiles));
        }
        readers.clear();  // their buffers are not needed for what follows
        CountEachFileOnce(named, builder);
        walk.PutInOrder();
    }

    builder.ComputeTotals();
    const auto end = ScanClock::now();
    const ScanStatus status = token.IsCancelled() ? ScanStatus::Cancelled : ScanStatus::Completed;
    ScanResult result = builder.FinishResult(status, std::move(rootPath), MeasureElapsedMs(start, end));
    result.engine = ScanEngineKind::NtQueryDirectory;
    return result;
}

}  // namespace varnel::core
