#pragma once
// A file with several names (hard links) is listed once per name, each time
// with all its bytes on disk, and must take them up once.

#include <cstdint>
#include <span>

namespace varnel::core {

class ScanTreeBuilder;

// Of the names (file nodes) of one file, the one whose path sorts first
// keeps its bytes on disk; the others get 0. Chosen by path, not by node
// index: with several workers the order of the nodes changes from scan to
// scan, and the folder that holds a file's bytes must not.
void KeepOnDiskUnderOneName(std::span<const std::uint32_t> names, ScanTreeBuilder& builder);

}  // namespace varnel::core
