#include "directory/DirectoryWalkScanEngine.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "directory/DirectoryBatch.h"
#include "base/Elapsed.h"
#include "directory/NtDirectoryApi_win.h"
#include "base/PathRules.h"
#include "directory/RootAttributes_win.h"
#include "model/ScanTreeBuilder.h"

namespace varnel::core {
namespace {

// A folder met but not yet listed. Its path lives only until it is listed:
// the tree keeps names, and the walk needs the whole path to open the folder.
struct PendingFolder {
    std::uint64_t index;
    std::wstring path;
};

// Files whose length says nothing of the clusters they hold: the system is
// asked for what they really take.
constexpr std::uint32_t LengthIsNotAllocation = FILE_ATTRIBUTE_SPARSE_FILE | FILE_ATTRIBUTE_COMPRESSED |
                                                FILE_ATTRIBUTE_OFFLINE | FileAttributeRecallOnDataAccess;

// The length rounded up to whole clusters; the length itself when the
// cluster size is unknown (0).
constexpr std::uint64_t RoundUpToCluster(std::uint64_t length, std::uint64_t cluster) noexcept {
    if (cluster == 0 || length % cluster == 0) {
        return length;
    }
    return SaturatingAdd(length - length % cluster, cluster);
}

class Walk {
public:
    Walk(DirectorySystem& system, ScanTreeBuilder& builder, ScanCancellationToken& token,
         const ScanProgressCallback& progress, std::uint64_t clusterBytes)
        : system_(system), builder_(builder), token_(token), progress_(progress), clusterBytes_(clusterBytes) {}

    void Run(std::uint64_t rootIndex, const std::wstring& rootPath) {
        pending_.push_back({rootIndex, rootPath});
        while (!pending_.empty() && !ShouldStop()) {
            const PendingFolder folder = std::move(pending_.back());
            pending_.pop_back();
            ListFolder(folder.index, folder.path);
        }
        pending_.clear();
        pending_.shrink_to_fit();
    }

private:
    // A full tree fails the scan, so reading on would only cost time.
    bool ShouldStop() const { return token_.IsCancelled() || builder_.IsFull(); }

    void ListFolder(std::uint64_t folderIndex, const std::wstring& folderPath) {
        // The "\\?\" form: long paths and names ending in a dot or a space
        // reach the folder itself, not a shortened neighbour.
        const std::wstring pattern = JoinPath(ExtendedLengthPath(folderPath), L"*");
        WIN32_FIND_DATAW entry{};
        SystemListing find(system_, &DirectorySystem::CloseFind);
        if (const std::uint32_t error = system_.FindFirst(pattern, entry, find.put()); error != 0) {
            if (IsRecordedListingFailure(error)) {
                builder_.AddError(folderPath, error);
            }
            return;
        }
        while (!ShouldStop()) {
            AddEntry(folderIndex, folderPath, entry);
            if (const std::uint32_t error = system_.FindNext(find.get(), entry); error != 0) {
                if (error != ERROR_NO_MORE_FILES) {
                    builder_.AddError(folderPath, error);
                }
                break;
            }
        }
    }

    void AddEntry(std::uint64_t folderIndex, const std::wstring& folderPath, const WIN32_FIND_DATAW& entry) {
        const std::wstring_view name(entry.cFileName);
        if (name == L"." || name == L"..") {
            return;
        }
        const std::uint32_t attributes = entry.dwFileAttributes;
        const std::uint64_t lastWrite = FileTimeValue(entry.ftLastWriteTime);

        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            const std::uint64_t index = builder_.AddFolder(folderIndex, name, attributes, lastWrite);
            ++report_.foldersScanned;
            report_.currentPath = JoinPath(folderPath, name);
            Report();
            // The reparse tag is only valid with the reparse attribute.
            const std::uint32_t tag = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? entry.dwReserved0 : 0;
            if (index != NoIndex && IsListedFolder(attributes, tag)) {
                pending_.push_back({index, report_.currentPath});
            }
            return;
        }

        const std::uint64_t size = (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        builder_.AddFile(folderIndex, name, attributes, FileSizes{size, SizeOnDisk(folderPath, name, attributes, size)},
                         lastWrite);
        ++report_.filesScanned;
        report_.bytesFound += size;
        if (report_.filesScanned % ProgressFileInterval == 0) {
            report_.currentPath = JoinPath(folderPath, name);
            Report();
        }
    }

    // The listing has no allocation size. The compressed size is exact and
    // reads metadata only; rounding the length is an estimate, right for an
    // ordinary file, too high for one whose data lives inside its record.
    std::uint64_t SizeOnDisk(const std::wstring& folderPath, std::wstring_view name, std::uint32_t attributes,
                             std::uint64_t size) {
        if ((attributes & LengthIsNotAllocation) != 0) {
            std::uint64_t bytes = 0;
            if (system_.ReadCompressedSize(JoinPath(ExtendedLengthPath(folderPath), name), bytes) == 0) {
                return bytes;
            }
        }
        return RoundUpToCluster(size, clusterBytes_);
    }

    void Report() {
        if (progress_) {
            progress_(report_);
        }
    }

    DirectorySystem& system_;
    ScanTreeBuilder& builder_;
    ScanCancellationToken& token_;
    const ScanProgressCallback& progress_;
    ScanProgress report_;  // running counts, handed to the callable as they are
    std::vector<PendingFolder> pending_;  // last added is walked first
    std::uint64_t clusterBytes_;          // of the root's volume; 0 when unknown
};

}  // namespace

DirectoryWalkScanEngine::DirectoryWalkScanEngine() : DirectoryWalkScanEngine(SystemDirectories()) {}

ScanResult DirectoryWalkScanEngine::Scan(const std::wstring& path, ScanCancellationToken& token,
                                         const ScanProgressCallback& progress) {
    const auto start = ScanClock::now();

    std::wstring rootPath = NormalizeScanRootSyntax(path);
    const RootAttributes root = ReadRootAttributes(system_, rootPath);
    if (root.problem) {
        return MakeRootFailedResult(std::move(rootPath), *root.problem, MeasureElapsedMs(start, ScanClock::now()));
    }

    ScanTreeBuilder builder(nodeLimit_);
    const std::uint64_t rootIndex = builder.AddRoot(rootPath, root.attributes, root.lastWriteTime);
    {
        BlockedCallCanceller canceller(system_, token);
        const BlockedCallCanceller::Registration walking(canceller);
        // A folder scan stays on its root's volume: mount points are never entered.
        std::uint64_t clusterBytes = 0;
        if (system_.ReadClusterSize(ExtendedLengthPath(rootPath), clusterBytes) != 0) {
            clusterBytes = 0;
        }
        Walk(system_, builder, token, progress, clusterBytes).Run(rootIndex, rootPath);
    }

    builder.ComputeTotals();
    const auto end = ScanClock::now();
    const ScanStatus status = token.IsCancelled() ? ScanStatus::Cancelled : ScanStatus::Completed;
    return builder.FinishResult(status, std::move(rootPath), MeasureElapsedMs(start, end));
}

}  // namespace varnel::core
