#pragma once
// Checks every structural promise of a finished scan tree, so that each
// engine test can assert them all with one line.

#include <gtest/gtest.h>

#include <vector>

#include "core/ScanModel.h"

namespace varnel::testing {

// A merged multi-root result does not count its synthetic root folder.
enum class RootKind { Scanned, Synthetic };

inline ::testing::AssertionResult TreeInvariantsHold(const core::ScanResult& result,
                                                     RootKind rootKind = RootKind::Scanned) {
    using core::NoIndex;
    const auto& nodes = result.nodes;
    if (result.errorCount != result.errors.size()) {
        return ::testing::AssertionFailure() << "errorCount " << result.errorCount << " but "
                                             << result.errors.size() << " errors";
    }
    if (result.rootIndex == NoIndex) {
        if (!nodes.empty()) return ::testing::AssertionFailure() << "nodes without a root";
        return ::testing::AssertionSuccess();
    }
    if (result.rootIndex >= nodes.size() || !nodes[result.rootIndex].isDirectory) {
        return ::testing::AssertionFailure() << "root index " << result.rootIndex << " is not a folder";
    }
    std::vector<std::uint64_t> listedIn(nodes.size(), 0);
    std::uint64_t files = 0;
    std::uint64_t folders = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const core::ScanNode& node = nodes[i];
        (node.isDirectory ? folders : files) += 1;
        if (node.index != i) return ::testing::AssertionFailure() << "node " << i << " has index " << node.index;
        if (!node.isDirectory && !node.children.empty())
            return ::testing::AssertionFailure() << "file " << i << " has children";
        if (node.isReparsePoint != ((node.attributes & core::FileAttributeReparsePoint) != 0))
            return ::testing::AssertionFailure() << "reparse flag of " << i << " disagrees with attributes";
        for (const std::uint64_t child : node.children) {
            if (child >= nodes.size() || nodes[child].parentIndex != i)
                return ::testing::AssertionFailure() << "child " << child << " of " << i << " points elsewhere";
            ++listedIn[child];
        }
        if (node.parentIndex == NoIndex) {
            if (i != result.rootIndex) return ::testing::AssertionFailure() << "second root " << i;
            continue;
        }
        if (node.parentIndex >= i) return ::testing::AssertionFailure() << "parent of " << i << " is not below it";
        if (!nodes[node.parentIndex].isDirectory)
            return ::testing::AssertionFailure() << "parent of " << i << " is a file";
    }
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const bool isRoot = nodes[i].parentIndex == NoIndex;
        if (listedIn[i] != (isRoot ? 0u : 1u))
            return ::testing::AssertionFailure() << "node " << i << " listed " << listedIn[i] << " times";
    }
    if (rootKind == RootKind::Synthetic) --folders;
    if (files != result.fileCount || folders != result.folderCount)
        return ::testing::AssertionFailure() << "result counts " << result.fileCount << "/" << result.folderCount
                                             << " but nodes hold " << files << "/" << folders;
    // Totals equal the sums below, checked child-before-parent (indices grow downwards).
    for (std::size_t k = nodes.size(); k-- > 0;) {
        const core::ScanNode& node = nodes[k];
        if (!node.isDirectory) {
            if (node.totalSize != node.size) return ::testing::AssertionFailure() << "file total " << k;
            continue;
        }
        std::uint64_t total = 0, direct = 0, fileCount = 0, folderCount = 0;
        for (const std::uint64_t c : node.children) {
            const core::ScanNode& child = nodes[c];
            if (child.isDirectory) {
                total = core::SaturatingAdd(total, child.totalSize);
                fileCount += child.fileCount;
                folderCount += child.folderCount + 1;
            } else {
                total = core::SaturatingAdd(total, child.size);
                direct = core::SaturatingAdd(direct, child.size);
                fileCount += 1;
            }
        }
        if (total != node.totalSize || direct != node.directFilesSize || fileCount != node.fileCount ||
            folderCount != node.folderCount)
            return ::testing::AssertionFailure() << "totals of node " << k << " are not the sums below it";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace varnel::testing
