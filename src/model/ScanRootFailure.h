#pragma once
// Why a root could not be scanned at all, as a text key for the window and a
// fixed English sentence for varnelscan and for tables that lack the key.

#include <cstdint>
#include <string>
#include <vector>

#include "model/ScanModel.h"

namespace varnel::core {

enum class RootProblem {
    NoPath,          // an empty path: there is nothing to scan
    Missing,         // no such folder, drive or share
    NotAFolder,      // a file
    Device,          // "NUL", "CON", "\\.\PhysicalDrive0": never a folder
    Unreadable,      // exists, but its attributes cannot be read
    OutOfResources,  // memory or threads ran out while scanning it
};

ScanRootFailure DescribeRootProblem(std::wstring path, RootProblem problem);

// The problem a failure to read a root's attributes stands for: the codes
// that say "there is nothing there" are Missing, every other one Unreadable.
RootProblem RootProblemForError(std::uint32_t win32Error) noexcept;

// A Failed result for one root: no tree, the failure in `rootFailures` and
// its sentence in `message`.
ScanResult MakeRootFailedResult(std::wstring rootPath, RootProblem problem, std::int64_t elapsedMs);

// The English sentences of several failures for `message`: one failure is its
// sentence alone, several are each prefixed by their root ("D:\: ...").
std::wstring JoinRootFailureReasons(const std::vector<ScanRootFailure>& failures);

}  // namespace varnel::core
