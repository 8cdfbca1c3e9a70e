#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "base/PathRules.h"
#include "model/ScanTreeBuilder.h"
#include "model/SubtreeSplice.h"
#include "support/TreeInvariants.h"

namespace varnel::core {
namespace {

// A tree from lines "path size" below `root` (a size of -1 is a folder), in
// the order given, so that a subtree can be spread between its neighbours
// as a parallel engine spreads it.
ScanResult Build(const std::wstring& root, const std::vector<std::pair<std::wstring, long long>>& items) {
    ScanTreeBuilder builder;
    std::map<std::wstring, std::uint64_t> folders{{L"", builder.AddRoot(root, FileAttributeDirectory, 0)}};
    for (const auto& [path, size] : items) {
        const auto cut = path.rfind(L'\\');
        const std::wstring parent = cut == std::wstring::npos ? L"" : path.substr(0, cut);
        const std::wstring name = cut == std::wstring::npos ? path : path.substr(cut + 1);
        if (size < 0) {
            folders[path] = builder.AddFolder(folders.at(parent), name, FileAttributeDirectory, 0);
        } else {
            const auto bytes = static_cast<std::uint64_t>(size);
            builder.AddFile(folders.at(parent), name, 0x20, FileSizes{bytes, bytes}, 7);
        }
    }
    builder.ComputeTotals();
    return builder.FinishResult(ScanStatus::Completed, root, 0);
}

// Every node as the CSV would show it, keyed by path: order-free, so a
// splice and a fresh scan that met the items in other orders compare equal.
std::map<std::wstring, std::tuple<bool, std::uint64_t, std::uint64_t, std::uint64_t, std::uint64_t>> Listing(
    const ScanResult& result) {
    std::map<std::wstring, std::tuple<bool, std::uint64_t, std::uint64_t, std::uint64_t, std::uint64_t>> listing;
    for (const NodeView node : result.nodes) {
        listing[node.Path()] = {node.IsDirectory(), node.TotalSize(), node.DirectFilesSize(), node.FileCount(),
                                node.FolderCount()};
    }
    return listing;
}

TEST(SubtreeSplice, ResultEqualsAFreshScanOfTheChangedTree) {
    using Items = std::vector<std::pair<std::wstring, long long>>;
    const Items before{{L"a", -1}, {L"b", -1}, {L"a\\x", 5}, {L"b\\y", 6}, {L"a\\sub", -1},
                       {L"top", 1}, {L"a\\sub\\z", 7}, {L"b\\empty", -1}};
    const struct {
        const wchar_t* folder;  // relative to the root; empty for the root
        Items rescan;           // relative to that folder
        Items after;            // the whole tree as a fresh scan finds it
    } cases[] = {
        {L"a", {{L"x", 50}, {L"new", 3}, {L"sub2", -1}, {L"sub2\\q", 2}},
         {{L"a", -1}, {L"b", -1}, {L"a\\x", 50}, {L"a\\new", 3}, {L"a\\sub2", -1}, {L"a\\sub2\\q", 2},
          {L"b\\y", 6}, {L"top", 1}, {L"b\\empty", -1}}},
        {L"a\\sub", {},
         {{L"a", -1}, {L"b", -1}, {L"a\\x", 5}, {L"b\\y", 6}, {L"a\\sub", -1}, {L"top", 1}, {L"b\\empty", -1}}},
        {L"b\\empty", {{L"f", -1}, {L"f\\g", 9}},
         {{L"a", -1}, {L"b", -1}, {L"a\\x", 5}, {L"b\\y", 6}, {L"a\\sub", -1}, {L"top", 1}, {L"a\\sub\\z", 7},
          {L"b\\empty", -1}, {L"b\\empty\\f", -1}, {L"b\\empty\\f\\g", 9}}},
        {L"", {{L"only", 4}}, {{L"only", 4}}},
    };
    for (const auto& c : cases) {
        const ScanResult old = Build(L"C:\\R", before);
        std::uint64_t folder = old.rootIndex;
        for (const NodeView node : old.nodes) {
            if (node.Path() == JoinPath(L"C:\\R", c.folder)) folder = node.Index();
        }
        auto spliced = SpliceSubtree(old, folder, Build(JoinPath(L"C:\\R", c.folder), c.rescan));
        ASSERT_TRUE(spliced.has_value()) << c.folder;
        EXPECT_TRUE(varnel::testing::TreeInvariantsHold(spliced->result)) << c.folder;
        EXPECT_EQ(Listing(spliced->result), Listing(Build(L"C:\\R", c.after))) << c.folder;
        EXPECT_EQ(spliced->result.nodes[spliced->newIndexOf[folder]].Path(), old.nodes[folder].Path());
    }
}

TEST(SubtreeSplice, RefusesWhatIsNoFolderAndAScanWithoutATree) {
    const ScanResult old = Build(L"C:\\R", {{L"f", 1}});
    EXPECT_FALSE(SpliceSubtree(old, 1, Build(L"C:\\R\\f", {})).has_value());
    EXPECT_FALSE(SpliceSubtree(old, 9, Build(L"C:\\R", {})).has_value());
    EXPECT_FALSE(SpliceSubtree(old, 0, MakeFailedResult(L"C:\\R", L"gone", 0)).has_value());
}

}  // namespace
}  // namespace varnel::core
