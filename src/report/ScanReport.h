#pragma once
// Renders a ScanResult as varnelscan prints it: UTF-8, LF line ends, the
// same bytes on every platform. The layouts are documented in the README and
// scripts rely on them; change them only together with the README.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/ScanModel.h"
#include "model/SizeMeasure.h"

namespace varnel::report {

using core::SizeMeasure;

struct Ranking {
    std::vector<std::uint64_t> largestFiles;    // node indices, largest first
    std::vector<std::uint64_t> largestFolders;  // below the root, largest first
    SizeMeasure measure = SizeMeasure::Logical;
};

// The `count` largest files and folders below the root by total size, or
// by total bytes on disk; equal sizes keep index order. Empty for a result
// without a tree.
Ranking RankLargest(const core::ScanResult& result, std::uint64_t count, SizeMeasure measure = SizeMeasure::Logical);

std::string RenderSummary(const core::ScanResult& result, const Ranking& ranking);
std::string RenderCsv(const core::ScanResult& result, const Ranking& ranking);
std::string RenderJson(const core::ScanResult& result, const Ranking& ranking);

// Receives a report in consecutive pieces, with the number of nodes written
// so far, so that a big result is written out without being held twice and
// its writer can show progress. Returning false stops the report there.
using ReportSink = std::function<bool(std::string_view piece, std::uint64_t nodesWritten)>;
// The same bytes as RenderCsv and RenderJson, handed to `sink` in pieces;
// false when the sink stopped them.
bool WriteCsv(const core::ScanResult& result, const Ranking& ranking, const ReportSink& sink);
bool WriteJson(const core::ScanResult& result, const Ranking& ranking, const ReportSink& sink);

const char* StatusName(core::ScanStatus status);
const char* EngineName(core::ScanEngineKind engine);

}  // namespace varnel::report
