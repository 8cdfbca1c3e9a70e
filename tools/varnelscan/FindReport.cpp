#include "FindReport.h"

#include <cstdio>
#include <vector>

#include "base/CsvField.h"
#include "base/JsonString.h"
#include "base/Utf8.h"
#include "report/ScanReport.h"

namespace varnel::tools {
namespace {

constexpr std::uint64_t TicksPerSecond = 10'000'000;
constexpr std::int64_t SecondsPerDay = 86'400;
// Days from 1601-01-01 to 1970-01-01, where the civil-day arithmetic counts from.
constexpr std::int64_t DaysFrom1601To1970 = 134'774;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146'097 + dayOfEra - 719'468;
}

void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
    days += 719'468;
    const std::int64_t era = (days >= 0 ? days : days - 146'096) / 146'097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146'097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    year = static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

std::string Number(std::uint64_t value) { return std::to_string(value); }

}  // namespace

std::optional<std::uint64_t> ParseDay(const std::wstring& text) {
    if (text.size() != 10 || text[4] != L'-' || text[7] != L'-') {
        return std::nullopt;
    }
    unsigned parts[3] = {0, 0, 0};
    const std::size_t starts[3] = {0, 5, 8};
    const std::size_t lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p) {
        for (std::size_t k = 0; k < lengths[p]; ++k) {
            const wchar_t c = text[starts[p] + k];
            if (c < L'0' || c > L'9') {
                return std::nullopt;
            }
            parts[p] = parts[p] * 10 + static_cast<unsigned>(c - L'0');
        }
    }
    const unsigned year = parts[0], month = parts[1], day = parts[2];
    if (year < 1601 || month < 1 || month > 12 || day < 1) {
        return std::nullopt;
    }
    // The day must exist: converting back gives the same date.
    const std::int64_t days = DaysFromCivil(year, month, day);
    std::int64_t backYear = 0;
    unsigned backMonth = 0, backDay = 0;
    CivilFromDays(days, backYear, backMonth, backDay);
    if (backYear != year || backMonth != month || backDay != day) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(days + DaysFrom1601To1970) * SecondsPerDay * TicksPerSecond;
}

std::string FormatFileTime(std::uint64_t fileTime) {
    if (fileTime == 0) {
        return {};
    }
    const auto seconds = static_cast<std::int64_t>(fileTime / TicksPerSecond);
    const std::int64_t days = seconds / SecondsPerDay - DaysFrom1601To1970;
    const std::int64_t secondOfDay = seconds % SecondsPerDay;
    std::int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(days, year, month, day);
    char text[32];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02lld:%02lld:%02lldZ", static_cast<long long>(year), month, day,
                  static_cast<long long>(secondOfDay / 3600), static_cast<long long>(secondOfDay / 60 % 60),
                  static_cast<long long>(secondOfDay % 60));
    return text;
}

std::string RenderMatches(const core::ScanResult& result, const core::SearchCriteria& criteria, OutputFormat format) {
    std::vector<std::uint64_t> matches;
    core::SearchNodes(result, criteria, nullptr, [&](std::span<const std::uint64_t> batch) {
        matches.insert(matches.end(), batch.begin(), batch.end());
        return true;
    });
    std::uint64_t total = 0;
    std::string out;
    switch (format) {
        case OutputFormat::Summary: break;
        case OutputFormat::Csv: out += "path,name,folder,size,size_on_disk,modified\n"; break;
        case OutputFormat::Json: out += "{\n  \"matches\": ["; break;
    }
    for (std::size_t i = 0; i < matches.size(); ++i) {
        const core::NodeView node = result.nodes[matches[i]];
        const std::uint64_t size = core::DisplaySize(node, criteria.measure);
        total = core::SaturatingAdd(total, size);
        const std::wstring path = node.Path();
        switch (format) {
            case OutputFormat::Summary: out += Number(size) + '\t' + core::WideToUtf8(path) + '\n'; break;
            case OutputFormat::Csv:
                out += core::CsvField(path) + ',' + core::CsvField(node.Name()) + ',' +
                       (node.IsDirectory() ? "1," : "0,") + Number(node.TotalSize()) + ',' +
                       Number(node.TotalSizeOnDisk()) + ',' + FormatFileTime(node.LastWriteTime()) + '\n';
                break;
            case OutputFormat::Json:
                out += i == 0 ? "\n    {" : ",\n    {";
                out += "\"path\": " + core::JsonString(path) + ", \"name\": " + core::JsonString(node.Name()) +
                       ", \"isDirectory\": " + (node.IsDirectory() ? "true" : "false") +
                       ", \"size\": " + Number(node.TotalSize()) + ", \"sizeOnDisk\": " +
                       Number(node.TotalSizeOnDisk()) + ", \"modified\": \"" + FormatFileTime(node.LastWriteTime()) +
                       "\"}";
                break;
        }
    }
    switch (format) {
        case OutputFormat::Summary:
            out += "matches: " + Number(matches.size()) + "\ntotal_size: " + Number(total) + '\n';
            break;
        case OutputFormat::Csv: break;
        case OutputFormat::Json:
            out += matches.empty() ? "],\n" : "\n  ],\n";
            out += "  \"count\": " + Number(matches.size()) + ",\n  \"totalSize\": " + Number(total) + "\n}\n";
            break;
    }
    return out;
}

}  // namespace varnel::tools
