#include <gtest/gtest.h>

#include <algorithm>
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

// Parent path, name, and the size of a file (none for a folder).
const std::tuple<const wchar_t*, const wchar_t*, std::optional<std::uint64_t>> Tree[] = {
    {nullptr, L"C:\\t", {}},           {L"C:\\t", L"big", {}},         {L"C:\\t\\big", L"inner", {}},
    {L"C:\\t\\big", L"a.bin", 5000},   {L"C:\\t\\big\\inner", L"deep.bin", 3000},
    {L"C:\\t", L"same", {}},           {L"C:\\t\\same", L"x.bin", 1000}, {L"C:\\t", L"b.bin", 1000},
    {L"C:\\t", L"empty", {}},          {L"C:\\t", L"big2", {}},        {L"C:\\t\\big2", L"y.bin", 7},
};
const wchar_t* const Errors[] = {L"C:\\t\\big\\inner", L"C:\\t\\big2"};

bool Inside(const std::wstring& path, const std::wstring& item) {
    return !item.empty() && (path == item || path.starts_with(item + L"\\"));
}

// What a scan finds when `missing` is not there: the oracle for removing it.
core::ScanResult Scanned(const std::wstring& missing = {}) {
    core::ScanTreeBuilder builder;
    std::vector<std::wstring> made;  // path of each node, by index
    for (const auto& [parent, name, size] : Tree) {
        const std::wstring path = parent ? std::wstring(parent) + L"\\" + name : name;
        if (Inside(path, missing)) continue;
        const auto at = parent ? std::find(made.begin(), made.end(), parent) - made.begin() : -1;
        const std::uint64_t parentIndex = at < 0 ? NoIndex : static_cast<std::uint64_t>(at);
        size ? builder.AddFile(parentIndex, name, path, 0, *size, 0) : builder.AddFolder(parentIndex, name, path, 0x10, 0);
        made.push_back(path);
    }
    for (const wchar_t* error : Errors) {
        if (!Inside(error, missing)) builder.AddError(error, 5);
    }
    builder.ComputeTotals();
    return builder.FinishResult(core::ScanStatus::Completed, L"C:\\t", 0);
}

std::vector<std::wstring> Described(const core::ScanResult& result) {
    std::vector<std::wstring> lines{std::to_wstring(result.fileCount) + L" files " +
                                    std::to_wstring(result.folderCount) + L" folders"};
    for (const core::ScanNode& n : result.nodes) {
        std::wstring line = n.path + L" parent " + std::to_wstring(n.parentIndex) + L" sizes " +
                            std::to_wstring(n.totalSize) + L"/" + std::to_wstring(n.directFilesSize) + L" counts " +
                            std::to_wstring(n.fileCount) + L"/" + std::to_wstring(n.folderCount) + L" children";
        for (const std::uint64_t child : n.children) line += L" " + std::to_wstring(child);
        lines.push_back(line);
    }
    for (const core::ScanError& error : result.errors) lines.push_back(L"error " + error.path);
    return lines;
}

std::uint64_t NodeAt(const core::ScanResult& result, const std::wstring& path) {
    for (const core::ScanNode& node : result.nodes) {
        if (node.path == path) return node.index;
    }
    return NoIndex;
}

TEST(RemoveSubtree, LeavesWhatAScanWithoutTheItemFinds) {
    // big's error goes with it, big2's (the same prefix) stays; x.bin is a
    // last child. Rows: the tree with root, big and inner open.
    const std::pair<const wchar_t*, std::size_t> cases[] = {{L"C:\\t\\big", 5},         {L"C:\\t\\big\\inner\\deep.bin", 8},
                                                            {L"C:\\t\\same\\x.bin", 9}, {L"C:\\t\\empty", 8},
                                                            {L"C:\\t\\big2\\y.bin", 9}};
    for (const auto& [path, rows] : cases) {
        SCOPED_TRACE(::testing::Message() << "node " << NodeAt(Scanned(), path));
        core::ScanResult result = Scanned();
        ResultTree tree;
        tree.Reset(&result);
        tree.ExpandTo(NodeAt(result, L"C:\\t\\big\\inner\\deep.bin"));

        const auto removed = RemoveSubtree(result, NodeAt(result, path));
        ASSERT_TRUE(removed);
        EXPECT_TRUE(varnel::testing::TreeInvariantsHold(result));
        EXPECT_EQ(Described(result), Described(Scanned(path)));

        // The tree follows the renumbering: what was open stays open.
        tree.Renumber(removed->newIndexOf);
        EXPECT_EQ(tree.Rows().size(), rows);
    }
    for (const std::uint64_t refused : {std::uint64_t{0}, std::uint64_t{99}, NoIndex}) {
        core::ScanResult result = Scanned();
        EXPECT_FALSE(RemoveSubtree(result, refused)) << "the root and indices out of range";
        EXPECT_EQ(Described(result), Described(Scanned()));
    }
}

}  // namespace
}  // namespace varnel::ui
