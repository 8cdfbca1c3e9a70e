#include "SavedScanFiles.h"

#include <chrono>
#include <filesystem>

#include "model/SavedScan.h"
#include "model/SnapshotComparison.h"
#include "platform/FileBytes.h"
#include "report/ChangeReport.h"

namespace varnel::tools {

namespace {

std::wstring Problem(const std::wstring& file, core::SavedFileError error) {
    return file + L": " + core::SavedFileErrorText(error);
}

std::int64_t SecondsNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::optional<std::string> ReadBytes(const std::wstring& file, std::wstring& problem) {
    auto bytes = platform::ReadWholeFile(std::filesystem::path(file));
    if (!bytes) {
        problem = Problem(file, core::SavedFileError::ReadFailed);
    }
    return bytes;
}

std::span<const std::byte> AsBytes(const std::string& bytes) {
    return std::as_bytes(std::span<const char>(bytes.data(), bytes.size()));
}

}  // namespace

bool SaveScanFile(const core::ScanResult& result, const std::wstring& file, std::wstring& problem) {
    if (!platform::WriteWholeFile(std::filesystem::path(file), core::WriteSavedScan(result, SecondsNow()))) {
        problem = Problem(file, core::SavedFileError::WriteFailed);
        return false;
    }
    return true;
}

std::optional<core::ScanResult> OpenScanFile(const std::wstring& file, std::wstring& problem) {
    const auto bytes = ReadBytes(file, problem);
    if (!bytes) {
        return std::nullopt;
    }
    core::SavedScanRead read = core::ReadSavedScan(AsBytes(*bytes));
    if (read.error != core::SavedFileError::None) {
        problem = Problem(file, read.error);
        return std::nullopt;
    }
    return std::move(read.result);
}

std::optional<core::FolderSnapshot> OpenComparisonBase(const std::wstring& file, std::wstring& problem) {
    const auto bytes = ReadBytes(file, problem);
    if (!bytes) {
        return std::nullopt;
    }
    core::FolderSnapshotRead read = core::ReadFolderSnapshot(AsBytes(*bytes));
    if (read.error != core::SavedFileError::None) {
        problem = Problem(file, read.error);
        return std::nullopt;
    }
    return std::move(read.snapshot);
}

std::string RenderComparison(const ScanCommand& command, const core::FolderSnapshot& earlier,
                             const core::ScanResult& result) {
    const core::FolderSnapshot later = core::MakeFolderSnapshot(result, SecondsNow());
    const core::SnapshotComparison comparison = core::CompareSnapshots(earlier, later);
    if (command.format == OutputFormat::Csv) {
        return report::RenderChangeCsv(earlier, later, comparison);
    }
    return report::RenderChangeSummary(earlier, later, comparison, command.top == 0 ? 10 : command.top);
}

}  // namespace varnel::tools
