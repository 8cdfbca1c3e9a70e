#pragma once
// varnelscan's saved scans: --save writes one, --open reads one back,
// --compare reads a saved scan or snapshot to compare a new scan with.

#include <optional>
#include <string>

#include "CommandLine.h"
#include "model/FolderSnapshot.h"
#include "model/ScanModel.h"

namespace varnel::tools {

// Each returns the English sentence of what went wrong through `problem`,
// prefixed by the file's name.
bool SaveScanFile(const core::ScanResult& result, const std::wstring& file, std::wstring& problem);
std::optional<core::ScanResult> OpenScanFile(const std::wstring& file, std::wstring& problem);
std::optional<core::FolderSnapshot> OpenComparisonBase(const std::wstring& file, std::wstring& problem);

// What --compare prints for `result` against `earlier`.
std::string RenderComparison(const ScanCommand& command, const core::FolderSnapshot& earlier,
                             const core::ScanResult& result);

}  // namespace varnel::tools
