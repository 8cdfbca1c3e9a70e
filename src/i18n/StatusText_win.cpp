#include "i18n/StatusText.h"

#include <algorithm>
#include <cstdint>

#include "i18n/Formatting.h"

namespace varnel::i18n {

std::wstring ScanProgressText(Localizer& localizer, std::wstring_view formattingLocale,
                              const core::ScanProgress& progress, std::int64_t elapsedMs,
                              std::optional<int> percent) {
    const auto seconds = static_cast<std::uint64_t>(std::max<std::int64_t>(elapsedMs, 0) / 1000);
    std::wstring text = localizer.Translate("status.scanning_files") +
                        FormatCount(formattingLocale, progress.filesScanned) + L", " +
                        localizer.Translate("status.folders") + FormatCount(formattingLocale, progress.foldersScanned) +
                        L", " + localizer.Translate("status.found") + FormatSize(formattingLocale, progress.bytesFound) +
                        L", " + localizer.Translate("status.elapsed") + FormatCount(formattingLocale, seconds) +
                        localizer.Translate("status.seconds");
    if (percent) {
        text += L", " + FormatCount(formattingLocale, static_cast<std::uint64_t>(std::max(*percent, 0))) + L"\u00A0%";
    }
    if (!progress.currentPath.empty()) {
        text += L", " + localizer.Translate("status.current") + progress.currentPath;
    }
    return text;
}

std::wstring ScanSummaryText(Localizer& localizer, std::wstring_view formattingLocale,
                             const core::ScanResult& result, const std::optional<DriveFigures>& drive) {
    const bool cancelled = result.status == core::ScanStatus::Cancelled;
    // A cancelled scan's numbers are only what was counted before it stopped.
    std::wstring head = cancelled ? localizer.Translate("status.cancelled") + L" " +
                                        localizer.Translate("status.incomplete")
                                  : localizer.Translate("status.completed");
    if (result.status == core::ScanStatus::NeedsCheck) {
        head += L" " + localizer.Translate("status.needs_check");
    }
    const auto elapsedMs = static_cast<std::uint64_t>(std::max<std::int64_t>(result.elapsedMs, 0));
    std::wstring text = head + L" - " + localizer.Translate("status.files") +
                        FormatCount(formattingLocale, result.fileCount) + L", " + localizer.Translate("status.folders") +
                        FormatCount(formattingLocale, result.folderCount) + L", " +
                        localizer.Translate("status.unreadable_folders") +
                        FormatCount(formattingLocale, result.errorCount) + L", " +
                        localizer.Translate("status.elapsed") + FormatCount(formattingLocale, elapsedMs) +
                        localizer.Translate("status.ms");
    // The sizes come after the figures the summary always had, which keep
    // their place for whoever reads them there.
    const auto labelled = [&](const char* key, std::uint64_t bytes) {
        text += L", " + localizer.Translate(key) + FormatSize(formattingLocale, bytes);
    };
    if (result.rootIndex < result.nodes.size()) {
        const core::NodeView root = result.nodes[result.rootIndex];
        labelled("status.found", root.TotalSize());
        labelled("status.on_disk", root.TotalSizeOnDisk());
        if (drive) {
            labelled("status.volume_used", drive->usedBytes);
            labelled("status.volume_free", drive->freeBytes);
            const std::uint64_t listed = root.TotalSizeOnDisk();
            labelled("status.volume_unlisted", drive->usedBytes > listed ? drive->usedBytes - listed : 0);
        }
    }
    return text;
}

}  // namespace varnel::i18n
