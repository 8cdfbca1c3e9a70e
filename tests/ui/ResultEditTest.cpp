#include <gtest/gtest.h>

#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "core/ScanTreeBuilder.h"
#include "support/TreeInvariants.h"
#include "ui/ResultEdit.h"
#include "ui/ResultView.h"

namespace varnel::ui {
namespace {

using core::NoIndex;

struct Entry {
    const wchar_t* parent;  // path of the parent; nullptr for the root
    const wchar_t* name;
    std::optional<std::uint64_t> fileSize;  // none for a folder
};

const Entry Tree[] = {
    {nullptr, L"t", {}},
    {L"C:\\t", L"big", {}},
    {L"C:\\t\\big", L"inner", {}},
    {L"C:\\t\\big", L"a.bin", 5000},
    {L"C:\\t\\big\\inner", L"deep.bin", 3000},
    {L"C:\\t", L"same", {}},
    {L"C:\\t\\same", L"x.bin", 1000},
    {L"C:\\t", L"b.bin", 1000},
    {L"C:\\t", L"empty", {}},
    {L"C:\\t", L"big2", {}},
    {L"C:\\t\\big2", L"y.bin", 7},
};

bool Inside(const std::wstring& path, const std::wstring& item) {
    return !item.empty() && (path == item || path.starts_with(item + L"\\"));
}

// The tree as a scan would have found it without `missing`: the oracle for
// a result from which that item was removed.
core::ScanResult Scanned(const std::wstring& missing = {}) {
    core::ScanTreeBuilder builder;
    std::vector<std::pair<std::wstring, std::uint64_t>> made;
    for (const Entry& entry : Tree) {
        const std::wstring path = entry.parent ? std::wstring(entry.parent) + L"\\" + entry.name : L"C:\\t";
        if (Inside(path, missing)) continue;
        std::uint64_t parent = NoIndex;
        for (const auto& [madePath, index] : made)
            if (entry.parent && madePath == entry.parent) parent = index;
        made.emplace_back(path, entry.fileSize ? builder.AddFile(parent, entry.name, path, 0, *entry.fileSize, 0)
                                               : builder.AddFolder(parent, entry.name, path, 0x10, 0));
    }
    for (const wchar_t* error : {L"C:\\t\\big\\inner", L"C:\\t\\big2"})
        if (!Inside(error, missing)) builder.AddError(error, 5);
    builder.ComputeTotals();
    return builder.FinishResult(core::ScanStatus::Completed, L"C:\\t", 0);
}

std::uint64_t NodeAt(const core::ScanResult& result, const std::wstring& path) {
    for (const core::ScanNode& node : result.nodes)
        if (node.path == path) return node.index;
    return NoIndex;
}

TEST(RemoveSubtree, LeavesTheResultAScanWithoutTheItemWouldGive) {
    const struct {
        const wchar_t* path;
        std::uint64_t bytes, files, folders;
    } cases[] = {
        {L"C:\\t\\big", 8000, 2, 2},  // its error goes, big2's (same prefix) stays
        {L"C:\\t\\big\\inner\\deep.bin", 3000, 1, 0},
        {L"C:\\t\\same\\x.bin", 1000, 1, 0},  // the last child
        {L"C:\\t\\empty", 0, 0, 1},
        {L"C:\\t\\big2\\y.bin", 7, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::string(c.path, c.path + std::wcslen(c.path)));
        core::ScanResult result = Scanned();
        ResultTree tree;
        tree.Reset(&result);
        const std::uint64_t big = NodeAt(result, L"C:\\t\\big");
        tree.ExpandTo(NodeAt(result, L"C:\\t\\big\\inner\\deep.bin"));

        const auto removed = RemoveSubtree(result, NodeAt(result, c.path));
        ASSERT_TRUE(removed);
        EXPECT_EQ(removed->bytes, c.bytes);
        EXPECT_EQ(removed->files, c.files);
        EXPECT_EQ(removed->folders, c.folders);
        EXPECT_TRUE(varnel::testing::TreeInvariantsHold(result));

        const core::ScanResult expected = Scanned(c.path);
        ASSERT_EQ(result.nodes.size(), expected.nodes.size());
        for (std::size_t i = 0; i < expected.nodes.size(); ++i) {
            const core::ScanNode& got = result.nodes[i];
            const core::ScanNode& want = expected.nodes[i];
            EXPECT_EQ(got.path, want.path);
            EXPECT_EQ(got.parentIndex, want.parentIndex);
            EXPECT_EQ(got.children, want.children) << i;
            EXPECT_EQ(got.totalSize, want.totalSize) << i;
            EXPECT_EQ(got.directFilesSize, want.directFilesSize) << i;
            EXPECT_EQ(got.fileCount, want.fileCount) << i;
            EXPECT_EQ(got.folderCount, want.folderCount) << i;
        }
        EXPECT_EQ(result.fileCount, expected.fileCount);
        EXPECT_EQ(result.folderCount, expected.folderCount);
        ASSERT_EQ(result.errors.size(), expected.errors.size());
        for (std::size_t i = 0; i < expected.errors.size(); ++i) {
            EXPECT_EQ(result.errors[i].path, expected.errors[i].path);
        }

        // The tree follows the renumbering: what was open stays open.
        tree.Renumber(removed->newIndexOf);
        for (const TreeRow& row : tree.Rows()) {
            ASSERT_LT(row.node, result.nodes.size());
        }
        if (removed->newIndexOf[big] != NoIndex) {
            EXPECT_TRUE(tree.IsExpanded(removed->newIndexOf[big]));
        }
    }
}

TEST(RemoveSubtree, RefusesTheRootAndIndicesOutOfRange) {
    for (const std::uint64_t node : {std::uint64_t{0}, std::uint64_t{99}, NoIndex}) {
        core::ScanResult result = Scanned();
        EXPECT_FALSE(RemoveSubtree(result, node));
        EXPECT_EQ(result.nodes.size(), std::size(Tree));
    }
}

TEST(CsvRowOf, QuotesOnlyWhatNeedsItAndLeavesFileCountsEmpty) {
    core::ScanNode folder;
    folder.isDirectory = true;
    folder.name = L"a,\"b\"";
    folder.path = L"C:\\a,\"b\"";
    folder.totalSize = 1234567;
    folder.fileCount = 3;
    folder.folderCount = 1;
    EXPECT_EQ(CsvRowOf(folder), L"\"a,\"\"b\"\"\",1234567,3,1,\"C:\\a,\"\"b\"\"\"");
    core::ScanNode file;
    file.name = L"x.bin";
    file.path = L"C:\\x.bin";
    file.size = file.totalSize = 42;
    EXPECT_EQ(CsvRowOf(file), L"x.bin,42,,,C:\\x.bin");
}

}  // namespace
}  // namespace varnel::ui
