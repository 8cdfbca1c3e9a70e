#pragma once
// Scans the command's paths with the engines this build has.

#include <optional>
#include <string>

#include "CommandLine.h"
#include "model/ScanModel.h"

namespace varnel::tools {

using core::MergedRootName;

// The result, or nothing with the reason in `unavailable` when this build
// cannot scan folders at all.
std::optional<core::ScanResult> ScanFolders(const ScanCommand& command, core::ScanCancellationToken& token,
                                            const core::ScanProgressCallback& progress, std::wstring& unavailable);

}  // namespace varnel::tools
