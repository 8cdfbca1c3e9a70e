#include <gtest/gtest.h>

#include <map>

#include "support/TreeInvariants.h"
#include "core/MftTreeAssembly.h"

namespace varnel::core {
namespace {

constexpr std::uint64_t Root = 5;

MftEntry File(std::uint64_t record, std::uint64_t parent, std::wstring name, std::uint64_t size) {
    return {record, parent, 0x20, size, std::move(name), false};
}

// A folder whose reparse point (extra 0x400) is a name surrogate unless
// surrogate says otherwise.
MftEntry Folder(std::uint64_t record, std::uint64_t parent, std::wstring name, std::uint32_t extra = 0,
                bool surrogate = true) {
    return {record, parent, 0x10 | extra, 0, std::move(name), true, (extra & 0x400) != 0 && surrogate};
}

struct Tree {
    ScanResult result;
    std::vector<ScanProgress> reports;
    std::map<std::wstring, const ScanNode*> byPath;
};

Tree Populate(std::vector<MftEntry> entries, std::uint64_t rootRecord = Root,
              ScanCancellationToken* cancelAfterFirstReport = nullptr) {
    Tree tree;
    ScanTreeBuilder builder;
    const std::uint64_t root = builder.AddFolder(NoIndex, L"", L"C:\\", 0x10, 0);
    ScanCancellationToken token;
    ScanCancellationToken& used = cancelAfterFirstReport ? *cancelAfterFirstReport : token;
    const ScanProgressCallback callback = [&](const ScanProgress& p) {
        tree.reports.push_back(p);
        if (cancelAfterFirstReport) cancelAfterFirstReport->Cancel();
    };
    MftProgressState state{callback, ProgressFileInterval, {}};
    PopulateTree(builder, root, L"C:\\", {rootRecord, 0}, entries, BuildChildren(entries, used), used, state);
    builder.ComputeTotals();
    tree.result = builder.FinishResult(ScanStatus::Completed, L"C:\\", 0);
    for (const ScanNode& node : tree.result.nodes) tree.byPath[node.path] = &node;
    return tree;
}

TEST(PopulateTree, FollowsTheRulesOfTheTree) {
    const std::vector<MftEntry> entries{
        Folder(Root, Root, L"."),                       // the root names itself
        File(16, Root, L"$MFT", 4096),                  // metadata files are listed
        Folder(30, Root, L"docs"),
        File(31, 30, L"report.txt", 100),
        File(32, 30, L"linked.bin", 50),                // one file, three names:
        File(32, 30, L"linked again.bin", 50),          // twice in one folder
        File(32, 33, L"linked elsewhere.bin", 50),      // and once in another
        Folder(33, Root, L"other"),
        Folder(34, Root, L"junction", FileAttributeReparsePoint),
        File(35, 34, L"behind junction.txt", 999),      // never reached
        File(36, 777, L"orphan.txt", 5),                // parent not reachable
        File(37, 30, L"", 5),                           // no name
        File(38, 30, L"..", 5),
    };
    const Tree tree = Populate(entries);
    ASSERT_TRUE(testing::TreeInvariantsHold(tree.result));
    EXPECT_EQ(tree.result.fileCount, 5u);
    EXPECT_EQ(tree.result.folderCount, 4u);
    const ScanNode& root = tree.result.nodes[tree.result.rootIndex];
    EXPECT_EQ(root.totalSize, 4096u + 100 + 50 * 3);
    EXPECT_EQ(tree.byPath.at(L"C:\\docs")->totalSize, 200u);
    EXPECT_EQ(tree.byPath.at(L"C:\\other\\linked elsewhere.bin")->size, 50u);
    const ScanNode& junction = *tree.byPath.at(L"C:\\junction");
    EXPECT_TRUE(junction.isReparsePoint);
    EXPECT_TRUE(junction.children.empty());
    EXPECT_EQ(tree.byPath.count(L"C:\\."), 0u);
    EXPECT_EQ(tree.byPath.count(L"C:\\orphan.txt"), 0u);
    // Children of a folder come in ascending entry order.
    EXPECT_EQ(tree.result.nodes[root.children[0]].name, L"$MFT");
}

TEST(PopulateTree, EndsOnAFolderThatIsItsOwnAncestor) {
    // Damaged data: A lies in B and B in A, and A also in the root.
    const std::vector<MftEntry> entries{Folder(40, Root, L"A"), Folder(41, 40, L"B"), Folder(40, 41, L"A again")};
    const Tree tree = Populate(entries);
    ASSERT_TRUE(testing::TreeInvariantsHold(tree.result));
    EXPECT_LT(tree.result.folderCount, 10u);
}

TEST(PopulateTree, FolderWithTwoNamesIsExpandedOnce) {
    // Impossible on a sound volume, easy in a crafted one: expanding under
    // each name would multiply the nodes with every level.
    const std::vector<MftEntry> entries{Folder(40, Root, L"first"), Folder(40, Root, L"second"), File(41, 40, L"f", 3)};
    const Tree tree = Populate(entries);
    EXPECT_EQ(tree.byPath.at(L"C:\\first\\f")->size, 3u);
    EXPECT_TRUE(tree.byPath.at(L"C:\\second")->children.empty());
    EXPECT_EQ(tree.result.fileCount, 1u);
}

TEST(PopulateTree, EntersCloudFoldersAndAttachesNamesOnlyToTheirParentsOccupant) {
    auto withSequences = [](MftEntry e, std::uint16_t own, std::uint16_t parent) {
        e.recordSequence = own;
        e.parentSequence = parent;
        return e;
    };
    const std::vector<MftEntry> entries{
        Folder(40, Root, L"cloud", FileAttributeReparsePoint, false),
        File(41, 40, L"synced.docx", 70),
        withSequences(Folder(42, Root, L"reused"), 3, 0),
        withSequences(File(43, 42, L"current.txt", 5), 1, 3),
        withSequences(File(44, 42, L"left from before.txt", 9), 1, 2),  // parent record 42 then held sequence 2
    };
    const Tree tree = Populate(entries);
    EXPECT_EQ(tree.byPath.at(L"C:\\cloud")->totalSize, 70u);
    EXPECT_TRUE(tree.byPath.at(L"C:\\cloud")->isReparsePoint);
    EXPECT_EQ(tree.byPath.at(L"C:\\reused")->totalSize, 5u);
    EXPECT_EQ(tree.result.fileCount, 2u);
}

TEST(PopulateTree, CancellationStopsWithinAFolderAndKeepsWhatWasAdded) {
    std::vector<MftEntry> entries{Folder(40, Root, L"sub"), File(41, 40, L"inner", 8)};
    for (std::uint64_t i = 0; i < 100000; ++i) entries.push_back(File(100 + i, Root, L"f" + std::to_wstring(i), 1));
    ScanCancellationToken token;
    const Tree tree = Populate(entries, Root, &token);  // cancelled at the root's report
    ASSERT_TRUE(testing::TreeInvariantsHold(tree.result));
    EXPECT_LT(tree.result.nodes.size(), 5000u);  // not the root's 100,001 children
    EXPECT_EQ(tree.byPath.count(L"C:\\sub\\inner"), 0u);
}

TEST(PopulateTree, ScanningASubfolderListsOnlyWhatIsBelowIt) {
    const std::vector<MftEntry> entries{Folder(40, Root, L"sub"), File(41, Root, L"outside", 4), File(42, 40, L"inside", 8)};
    const Tree tree = Populate(entries, 40);
    EXPECT_EQ(tree.result.fileCount, 1u);
    EXPECT_EQ(tree.result.nodes[tree.result.rootIndex].totalSize, 8u);
}

}  // namespace
}  // namespace varnel::core
