#pragma once
// varnelscan --find: the options that narrow a search and the matches
// printed in the three formats. The layouts are documented in the README.

#include <cstdint>
#include <optional>
#include <string>

#include "CommandLine.h"
#include "model/Search.h"

namespace varnel::tools {

// "YYYY-MM-DD" as the FILETIME of that day's midnight UTC; nothing for
// anything else, including dates before 1601 and impossible days.
std::optional<std::uint64_t> ParseDay(const std::wstring& text);
// A FILETIME as "YYYY-MM-DDTHH:MM:SSZ"; empty for 0 (unknown).
std::string FormatFileTime(std::uint64_t fileTime);

// Summary: one "SIZE<TAB>PATH" line per match, then the count and the
// total. CSV: a header and one row per match (path, name, folder, size,
// size_on_disk, modified). JSON: the matches with the same fields. Sizes are
// the measure of `criteria`, a folder's its total.
std::string RenderMatches(const core::ScanResult& result, const core::SearchCriteria& criteria, OutputFormat format);

}  // namespace varnel::tools
