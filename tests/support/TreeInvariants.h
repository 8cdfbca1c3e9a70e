#pragma once
// Checks every structural promise of a finished scan tree, so that each
// engine test can assert them all with one line.

#include <gtest/gtest.h>

#include <vector>

#include "base/PathRules.h"
#include "model/ScanModel.h"

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
    if (result.rootIndex >= nodes.size()) {
        return ::testing::AssertionFailure() << "root index " << result.rootIndex << " is not a folder";
    }
    if (!nodes[result.rootIndex].IsDirectory()) {
        return ::testing::AssertionFailure() << "root index " << result.rootIndex << " is not a folder";
    }
    std::vector<std::uint64_t> listedIn(nodes.size(), 0);
    std::uint64_t files = 0;
    std::uint64_t folders = 0;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const core::NodeView node = nodes[i];
        (node.IsDirectory() ? folders : files) += 1;
        if (!node.IsDirectory() && !node.Children().empty())
            return ::testing::AssertionFailure() << "file " << i << " has children";
        for (const std::uint64_t child : node.Children()) {
            if (child >= nodes.size() || nodes[child].Parent() != i)
                return ::testing::AssertionFailure() << "child " << child << " of " << i << " points elsewhere";
            ++listedIn[child];
        }
        if (node.Parent() == NoIndex) {
            if (i != result.rootIndex) return ::testing::AssertionFailure() << "second root " << i;
            continue;
        }
        if (node.Parent() >= i) return ::testing::AssertionFailure() << "parent of " << i << " is not below it";
        if (!nodes[node.Parent()].IsDirectory())
            return ::testing::AssertionFailure() << "parent of " << i << " is a file";
        // A path is the parent's joined with the name, up to a scanned root.
        if (node.OwnPath().empty() && node.Path() != core::JoinPath(nodes[node.Parent()].Path(), node.Name()))
            return ::testing::AssertionFailure() << "path of " << i << " is not its parent's and its name";
    }
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const bool isRoot = nodes[i].Parent() == NoIndex;
        if (listedIn[i] != (isRoot ? 0u : 1u))
            return ::testing::AssertionFailure() << "node " << i << " listed " << listedIn[i] << " times";
    }
    if (rootKind == RootKind::Synthetic) --folders;
    if (files != result.fileCount || folders != result.folderCount)
        return ::testing::AssertionFailure() << "result counts " << result.fileCount << "/" << result.folderCount
                                             << " but nodes hold " << files << "/" << folders;
    // Totals equal the sums below, checked child-before-parent (indices grow downwards).
    for (std::size_t k = nodes.size(); k-- > 0;) {
        const core::NodeView node = nodes[k];
        if (!node.IsDirectory()) {
            if (node.TotalSize() != node.Size() || node.TotalSizeOnDisk() != node.SizeOnDisk())
                return ::testing::AssertionFailure() << "file total " << k;
            continue;
        }
        std::uint64_t total = 0, onDisk = 0, direct = 0, fileCount = 0, folderCount = 0;
        for (const std::uint64_t c : node.Children()) {
            const core::NodeView child = nodes[c];
            onDisk = core::SaturatingAdd(onDisk, child.TotalSizeOnDisk());
            if (child.IsDirectory()) {
                total = core::SaturatingAdd(total, child.TotalSize());
                fileCount += child.FileCount();
                folderCount += child.FolderCount() + 1;
            } else {
                total = core::SaturatingAdd(total, child.Size());
                direct = core::SaturatingAdd(direct, child.Size());
                fileCount += 1;
            }
        }
        if (total != node.TotalSize() || onDisk != node.TotalSizeOnDisk() || direct != node.DirectFilesSize() || fileCount != node.FileCount() ||
            folderCount != node.FolderCount())
            return ::testing::AssertionFailure() << "totals of node " << k << " are not the sums below it";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace varnel::testing
