#include "core/DirectoryWalkScanEngine.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "core/Elapsed.h"
#include "core/PathRules.h"
#include "core/RootAttributes_win.h"
#include "core/ScanTreeBuilder.h"
#include "platform/UniqueHandle_win.h"

namespace varnel::core {
namespace {

struct PendingFolder {
    std::uint64_t index;
    std::wstring path;
};

class Walk {
public:
    Walk(ScanTreeBuilder& builder, ScanCancellationToken& token, const ScanProgressCallback& progress)
        : builder_(builder), token_(token), progress_(progress) {}

    void Run(std::uint64_t rootIndex, const std::wstring& rootPath) {
        pending_.push_back({rootIndex, rootPath});
        while (!pending_.empty()) {
            if (token_.IsCancelled()) {
                break;
            }
            PendingFolder folder = std::move(pending_.back());
            pending_.pop_back();
            ListFolder(folder.index, folder.path);
        }
        pending_.clear();
        pending_.shrink_to_fit();
    }

private:
    void ListFolder(std::uint64_t folderIndex, const std::wstring& folderPath) {
        // "C:\" gives "C:\\*", which the system accepts.
        const std::wstring pattern = TrimTrailingSeparators(folderPath) + L"\\*";
        WIN32_FIND_DATAW entry{};
        platform::UniqueFind find(::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry,
                                                     FindExSearchNameMatch, nullptr,
                                                     FIND_FIRST_EX_LARGE_FETCH));
        if (!find) {
            const DWORD error = ::GetLastError();
            if (IsRecordedListingFailure(error)) {
                builder_.AddError(folderPath, error);
            }
            return;
        }
        do {
            if (token_.IsCancelled()) {
                break;
            }
            AddEntry(folderIndex, folderPath, entry);
        } while (::FindNextFileW(find.get(), &entry));
    }

    void AddEntry(std::uint64_t folderIndex, const std::wstring& folderPath,
                  const WIN32_FIND_DATAW& entry) {
        const std::wstring_view name(entry.cFileName);
        if (name == L"." || name == L"..") {
            return;
        }
        std::wstring childPath = JoinPath(folderPath, name);
        const std::uint32_t attributes = entry.dwFileAttributes;
        const std::uint64_t lastWrite = FileTimeValue(entry.ftLastWriteTime);

        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            const std::uint64_t index =
                builder_.AddFolder(folderIndex, std::wstring(name), childPath, attributes, lastWrite);
            ++report_.foldersScanned;
            report_.currentPath = childPath;
            Report();
            // Reparse folders are listed but never entered: no link cycles.
            if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
                pending_.push_back({index, std::move(childPath)});
            }
            return;
        }

        const std::uint64_t size =
            (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        ++report_.filesScanned;
        const bool reportThisFile = report_.filesScanned % ProgressFileInterval == 0;
        if (reportThisFile) {
            report_.currentPath = childPath;
        }
        builder_.AddFile(folderIndex, std::wstring(name), std::move(childPath), attributes, size,
                         lastWrite);
        if (reportThisFile) {
            Report();
        }
    }

    void Report() {
        if (progress_) {
            progress_(report_);
        }
    }

    ScanTreeBuilder& builder_;
    ScanCancellationToken& token_;
    const ScanProgressCallback& progress_;
    ScanProgress report_;  // running counts, handed to the callable as they are
    std::vector<PendingFolder> pending_;  // last added is walked first
};

}  // namespace

ScanResult DirectoryWalkScanEngine::Scan(const std::wstring& path, ScanCancellationToken& token,
                                         const ScanProgressCallback& progress) {
    const auto start = ScanClock::now();

    const RootAttributes root = ReadRootAttributes(path);

    std::wstring rootPath = TrimTrailingSeparators(path);
    ScanTreeBuilder builder;
    const std::uint64_t rootIndex =
        builder.AddFolder(NoIndex, LeafName(rootPath), rootPath, root.attributes, root.lastWriteTime);

    Walk(builder, token, progress).Run(rootIndex, rootPath);

    builder.ComputeTotals();
    const auto end = ScanClock::now();
    const ScanStatus status = token.IsCancelled() ? ScanStatus::Cancelled : ScanStatus::Completed;
    return builder.FinishResult(status, std::move(rootPath), MeasureElapsedMs(start, end));
}

}  // namespace varnel::core
