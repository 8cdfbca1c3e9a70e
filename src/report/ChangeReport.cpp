#include "report/ChangeReport.h"

#include <algorithm>
#include <cstdio>

#include "base/CsvField.h"
#include "base/JsonString.h"
#include "base/Utf8.h"
#include "report/ScanReport.h"

namespace varnel::report {

using core::FolderSnapshot;
using core::SnapshotComparison;

namespace {

std::string Signed(std::int64_t value) { return (value > 0 ? "+" : "") + std::to_string(value); }

const char* ChangeStatus(const SnapshotComparison& comparison, std::size_t folder) {
    if (comparison.IsNew(folder)) return "new";
    const std::int64_t change = comparison.change[folder];
    return change > 0 ? "grew" : change < 0 ? "shrank" : "same";
}

}  // namespace

std::string UtcDateText(std::int64_t seconds) {
    // Days to a civil date (proleptic Gregorian), after Howard Hinnant's
    // days_from_civil inverse; exact for every 64-bit day count we can meet.
    const std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const std::int64_t inDay = seconds - days * 86400;
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld UTC", static_cast<long long>(year),
                  static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(inDay / 3600),
                  static_cast<long long>(inDay / 60 % 60));
    return text;
}

std::vector<std::uint32_t> GrewMost(const FolderSnapshot& later, const SnapshotComparison& comparison,
                                    std::uint64_t count) {
    std::vector<std::uint32_t> grown;
    for (std::size_t i = 0; i < later.folders.size(); ++i) {
        if (later.folders[i].parent != FolderSnapshot::NoFolder && comparison.change[i] > 0) {
            grown.push_back(static_cast<std::uint32_t>(i));
        }
    }
    const auto more = [&](std::uint32_t a, std::uint32_t b) {
        return comparison.change[a] != comparison.change[b] ? comparison.change[a] > comparison.change[b] : a < b;
    };
    const auto keep = static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(count, grown.size()));
    std::partial_sort(grown.begin(), grown.begin() + keep, grown.end(), more);
    grown.resize(static_cast<std::size_t>(keep));
    return grown;
}

std::string RenderChangeCsv(const FolderSnapshot& earlier, const FolderSnapshot& later,
                            const SnapshotComparison& comparison) {
    std::string out = "status,path,change,size_then,size_now\n";
    for (std::size_t i = 0; i < later.folders.size(); ++i) {
        const std::uint32_t then = comparison.earlierOf[i];
        out += ChangeStatus(comparison, i);
        out += ',' + core::CsvField(later.PathOf(i)) + ',' + std::to_string(comparison.change[i]) + ',';
        out += (then == FolderSnapshot::NoFolder ? std::string() : std::to_string(earlier.folders[then].totalSize));
        out += ',' + std::to_string(later.folders[i].totalSize) + '\n';
    }
    for (const std::uint32_t gone : comparison.gone) {
        const std::uint64_t size = earlier.folders[gone].totalSize;
        out += "gone," + core::CsvField(earlier.PathOf(gone)) + ',' + std::to_string(core::SizeChange(0, size)) + ',' +
               std::to_string(size) + ",\n";
    }
    return out;
}

std::string RenderChangeSummary(const FolderSnapshot& earlier, const FolderSnapshot& later,
                                const SnapshotComparison& comparison, std::uint64_t count) {
    std::string out = "since: " + UtcDateText(earlier.takenAt) + '\n';
    out += "root: " + core::WideToUtf8(later.rootPath) + '\n';
    if (!later.folders.empty()) {
        out += "change: " + Signed(comparison.change[0]) + '\n';
    }
    out += "grew_most:\n";
    for (const std::uint32_t folder : GrewMost(later, comparison, count)) {
        out += "  " + Signed(comparison.change[folder]) + '\t' + core::WideToUtf8(later.PathOf(folder)) + '\n';
    }
    std::vector<std::uint32_t> gone;
    for (std::size_t i = 0; i < comparison.gone.size(); ++i) {
        if (comparison.topGone[i]) {
            gone.push_back(comparison.gone[i]);
        }
    }
    std::stable_sort(gone.begin(), gone.end(), [&](std::uint32_t a, std::uint32_t b) {
        return earlier.folders[a].totalSize > earlier.folders[b].totalSize;
    });
    out += "gone:\n";
    for (const std::uint32_t folder : gone) {
        out += "  -" + std::to_string(earlier.folders[folder].totalSize) + '\t' +
               core::WideToUtf8(earlier.PathOf(folder)) + '\n';
    }
    return out;
}

}  // namespace varnel::report
