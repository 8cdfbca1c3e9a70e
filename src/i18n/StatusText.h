#pragma once
// The two status-bar texts: progress while a scan runs, the summary after
// it. Labels and numbers are joined with nothing added in between; the
// string tables carry the punctuation and spacing inside the labels.
// Windows only.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/ScanModel.h"
#include "i18n/Localizer.h"

namespace varnel::i18n {

// "Scanning… Files: 1,234, Folders: 56, Found: 1.2 GB, Elapsed: 5 s, 42 %,
// Current: C:\Data"; the percentage only where a total is known, the path
// last so that a long one cuts nothing else. `progress` is the copy the
// caller took under the scan session's lock.
std::wstring ScanProgressText(Localizer& localizer, std::wstring_view formattingLocale,
                              const core::ScanProgress& progress, std::int64_t elapsedMs,
                              std::optional<int> percent);

// A scanned drive's space as the system gave it when the scan ended.
struct DriveFigures {
    std::uint64_t usedBytes = 0;
    std::uint64_t freeBytes = 0;
};

// "Completed - Files: 10, Folders: 5, Folders not read: 0, Elapsed: 123 ms,
// Found: 1.2 MB, On disk: 1.3 MB": both totals only for a result with a
// root. For a scanned drive, after the totals: "Used on the drive: 40 GB,
// Free: 60 GB, Not listed by the scan: 2 GB", the part of the used space no
// scanned item accounts for (none when the items take more). Only a
// cancelled scan says so; a failed one reads as completed too.
std::wstring ScanSummaryText(Localizer& localizer, std::wstring_view formattingLocale,
                             const core::ScanResult& result, const std::optional<DriveFigures>& drive = std::nullopt);

}  // namespace varnel::i18n
