#pragma once
// How far a running scan has come, where anything can say so: the MFT
// engine knows its record count, and a whole drive holds about as many
// bytes as the volume reports used. A folder below a drive has no such
// total.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/ScanModel.h"
#include "platform/Drives.h"

namespace varnel::ui {

// The percentage never reaches this before the scan has ended: files
// created during the scan, or compressed and sparse ones, make the used
// bytes a guess, and the tree is still being linked after the last record.
inline constexpr int RunningPercentCeiling = 99;

// The used bytes (total less free) of the drives `roots` name; 0, meaning
// unknown, when any root is not a listed drive root or its size is unread.
std::uint64_t ExpectedScanBytes(const std::vector<std::wstring>& roots,
                                const std::vector<platform::DriveInfo>& drives);

// Records read of the record count when the engine knows it, else bytes
// found of `expectedBytes`; capped at RunningPercentCeiling. No value when
// neither total is known.
std::optional<int> RunningScanPercent(const core::ScanProgress& progress, std::uint64_t expectedBytes);

}  // namespace varnel::ui
