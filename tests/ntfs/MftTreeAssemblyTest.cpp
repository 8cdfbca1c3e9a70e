// What real images cannot show about linking names into a tree: damaged
// parent links, reused records, orphans and cancellation. Sound volumes are
// compared with The Sleuth Kit (NtfsImageTest, varnelscan_image_end_to_end).

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/TreeInvariants.h"
#include "ntfs/MftTreeAssembly.h"

namespace varnel::core {
namespace {

constexpr std::uint64_t Root = 5;

struct Name {
    std::uint64_t record;
    std::uint64_t parent;
    std::wstring name;
    std::uint64_t size = 0;      // a file's
    bool folder = false;
    bool surrogate = false;      // a junction: never entered
    std::uint16_t sequence = 0;  // the record's; 0 fits any
    std::uint16_t parentSequence = 0;
};

Name File(std::uint64_t record, std::uint64_t parent, std::wstring name, std::uint64_t size) {
    return {record, parent, std::move(name), size};
}
Name Folder(std::uint64_t record, std::uint64_t parent, std::wstring name) {
    return {record, parent, std::move(name), 0, true};
}

MftParseOutput Parsed(const std::vector<Name>& names) {
    MftParseOutput out;
    for (const Name& n : names) {
        MftEntry e;
        e.recordNumber = n.record;
        e.parentRecordNumber = n.parent;
        e.size = n.size;
        e.attributes = n.folder ? 0x10u : 0x20u;
        e.isDirectory = n.folder;
        e.isNameSurrogate = n.surrogate;
        e.recordSequence = n.sequence;
        e.parentSequence = n.parentSequence;
        e.SetNamePosition(out.names.Append(n.name));
        e.nameLength = static_cast<std::uint8_t>(n.name.size());
        out.entries.push_back(e);
    }
    return out;
}

ScanResult Populate(const std::vector<Name>& names, std::uint64_t rootRecord, ScanCancellationToken& token,
                    bool cancelAtFirstReport = false) {
    MftParseOutput parsed = Parsed(names);
    ScanTreeBuilder builder;
    const std::uint64_t root = builder.AddRoot(L"C:\\", 0x10, 0);
    const ScanProgressCallback callback = [&](const ScanProgress& p) {
        if (!cancelAtFirstReport || token.IsCancelled()) return;
        EXPECT_EQ(p.currentPath, L"C:\\");
        token.Cancel();
    };
    MftProgressState state{callback, ProgressFileInterval, {}};
    const MftChildIndex children = BuildChildren(parsed.entries, parsed.names, 1 << 20, token);
    PopulateTree(builder, root, {rootRecord, 0}, parsed.names, children, token, state);
    builder.ComputeTotals();
    return builder.FinishResult(ScanStatus::Completed, L"C:\\", 0);
}

// "path size" for each node below the root, folders with their totals and
// a trailing separator, in node order.
std::vector<std::wstring> Listing(const ScanResult& result) {
    std::vector<std::wstring> lines;
    for (const NodeView node : result.nodes) {
        if (node.Index() == result.rootIndex) continue;
        lines.push_back(node.Path().substr(3) + (node.IsDirectory() ? L"\\ " : L" ") + std::to_wstring(node.TotalSize()));
    }
    return lines;
}

struct PopulateCase {
    const char* name;
    std::vector<Name> names;
    std::vector<std::wstring> expected;
    std::uint64_t root = Root;
};

TEST(PopulateTree, LinksOnlyWhatHangsSoundlyFromTheRoot) {
    Name junction = Folder(34, Root, L"junction");
    junction.surrogate = true;
    Name reused = Folder(42, Root, L"reused");
    reused.sequence = 3;
    Name current = File(43, 42, L"current.txt", 5);
    current.parentSequence = 3;
    Name stale = File(44, 42, L"left from before.txt", 9);  // record 42 then held sequence 2
    stale.parentSequence = 2;
    const PopulateCase cases[] = {
        {"Rules",
         {Folder(Root, Root, L"."), File(16, Root, L"$MFT", 4096), Folder(30, Root, L"docs"),
          File(31, 30, L"a.txt", 100), File(32, 30, L"linked", 50), File(32, 777, L"orphan", 50),
          File(37, 30, L"", 5), File(38, 30, L"..", 5), junction, File(35, 34, L"behind junction", 999)},
         {L"$MFT 4096", L"docs\\ 150", L"junction\\ 0", L"docs\\a.txt 100", L"docs\\linked 50"}},
        {"FolderIsItsOwnAncestor",
         {Folder(40, Root, L"A"), Folder(41, 40, L"B"), Folder(40, 41, L"A again")},
         {L"A\\ 0", L"A\\B\\ 0", L"A\\B\\A again\\ 0"}},
        // Impossible on a sound volume, easy in a crafted one: expanding under
        // each name would multiply the nodes with every level.
        {"FolderWithTwoNamesIsExpandedOnce",
         {Folder(40, Root, L"first"), Folder(40, Root, L"second"), File(41, 40, L"f", 3)},
         {L"first\\ 3", L"second\\ 0", L"first\\f 3"}},
        {"NamesAttachOnlyToTheirParentsOccupant", {reused, current, stale}, {L"reused\\ 5", L"reused\\current.txt 5"}},
        {"SubfolderScan", {Folder(40, Root, L"sub"), File(41, Root, L"outside", 4), File(42, 40, L"inside", 8)},
         {L"inside 8"}, 40},
    };
    for (const PopulateCase& c : cases) {
        ScanCancellationToken token;
        const ScanResult result = Populate(c.names, c.root, token);
        ASSERT_TRUE(testing::TreeInvariantsHold(result)) << c.name;
        EXPECT_EQ(Listing(result), c.expected) << c.name;
    }
}

TEST(PopulateTree, CancellationStopsWithinAFolderAndKeepsWhatWasAdded) {
    std::vector<Name> names{Folder(40, Root, L"sub"), File(41, 40, L"inner", 8)};
    for (std::uint64_t i = 0; i < 100000; ++i) names.push_back(File(100 + i, Root, L"f" + std::to_wstring(i), 1));
    ScanCancellationToken token;
    const ScanResult result = Populate(names, Root, token, true);
    ASSERT_TRUE(testing::TreeInvariantsHold(result));
    EXPECT_LT(result.nodes.size(), 5000u);  // not the root's 100,001 children
    const std::vector<std::wstring> listing = Listing(result);
    EXPECT_EQ(std::count(listing.begin(), listing.end(), L"sub\\inner 8"), 0);
}

}  // namespace
}  // namespace varnel::core
