#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "support/ChildProcess_win.h"
#include "model/SubtreeSplice.h"
#include "report/ScanReport.h"
#include "scan/ScanScheduler.h"
#include "support/MainWindowFixture_win.h"
#include "ui/view/ResultColumns.h"
#include "ui/window/MainWindow.h"
#include "platform/FileBytes.h"

namespace varnel::ui {
namespace {

using varnel::testing::ListText;

std::string ReadBytes(const std::wstring& path) { return platform::ReadWholeFile(path).value_or(""); }

// What varnelscan.exe prints for `arguments`, through a file as its stdout.
std::string RunVarnelscan(const std::wstring& arguments, const std::wstring& outputFile) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const platform::UniqueKernelHandle output(::CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::wstring command = L"\"" + std::wstring(VARNELSCAN_EXE_PATH_W) + L"\" " + arguments;
    if (!varnel::testing::RunChild(command, 60'000, output.get(), CREATE_NO_WINDOW)) return {};
    return ReadBytes(outputFile);
}

class SortAndExportTest : public varnel::testing::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        // One folder per level, so that the engine's workers list them one
        // after another and both scans number the nodes alike.
        data.Folder(L"tree\\sub, \u00e9\u4e2d");
        data.File(L"tree\\file10.bin", 100);
        data.File(L"tree\\File1.bin", 300);
        data.File(L"tree\\file2.bin", 200);
        data.File(L"tree\\sub, \u00e9\u4e2d\\b2.txt", 50);
        data.File(L"tree\\sub, \u00e9\u4e2d\\b10.txt", 60);
        ASSERT_TRUE(Open());
        ASSERT_EQ(Scan(data.At(L"tree")), core::ScanStatus::Completed);
    }
    void ClickHeader(int listId, int column) {
        NMLISTVIEW click{};
        click.hdr = {Control(listId), static_cast<UINT_PTR>(listId), LVN_COLUMNCLICK};
        click.iItem = -1;
        click.iSubItem = column;
        ::SendMessageW(window->Handle(), WM_NOTIFY, static_cast<WPARAM>(listId), reinterpret_cast<LPARAM>(&click));
    }
    int ArrowOf(int listId, int column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(ListView_GetHeader(Control(listId)), column, &item);
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    }
};

TEST_F(SortAndExportTest, HeaderClicksSortInTheShellsNameOrderWithAnArrowKeepingTheSelection) {
    const HWND tree = Control(TreeListId);
    const HWND files = Control(LargestFilesListId);
    const struct {
        int list, column;
        std::wstring firstThree[3];
        int arrow;
    } clicks[] = {
        {TreeListId, 0, {L"File1.bin", L"file2.bin", L"file10.bin"}, HDF_SORTUP},
        {TreeListId, 0, {L"sub, \u00e9\u4e2d", L"file10.bin", L"file2.bin"}, HDF_SORTDOWN},
        {TreeListId, 2, {L"File1.bin", L"file2.bin", L"sub, \u00e9\u4e2d"}, HDF_SORTDOWN},
        {LargestFilesListId, 2, {L"b2.txt", L"b10.txt", L"File1.bin"}, HDF_SORTUP},
        {LargestFilesListId, 3, {L"File1.bin", L"file2.bin", L"file10.bin"}, HDF_SORTUP},
    };
    for (const auto& c : clicks) {
        ClickHeader(c.list, c.column);
        const HWND list = c.list == TreeListId ? tree : files;
        const int row0 = c.list == TreeListId ? 1 : 0;  // the tree's row 0 is the root
        const int nameColumn = c.list == TreeListId ? 0 : 2;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ListText(list, row0 + i, nameColumn), c.firstThree[i]) << c.list << " " << c.column << " " << i;
        }
        EXPECT_EQ(ArrowOf(c.list, c.column), c.arrow);
    }
    EXPECT_EQ(ArrowOf(TreeListId, 0), 0) << "one arrow per list";
    const std::uint64_t sub = window->Tree().Rows()[3].node;
    window->SelectTreeNode(sub);
    ClickHeader(TreeListId, 0);
    EXPECT_EQ(window->SelectedNode(), sub);
    EXPECT_EQ(window->Tree().Rows()[static_cast<std::size_t>(ListView_GetNextItem(tree, -1, LVNI_SELECTED))].node, sub);
}

TEST_F(SortAndExportTest, ExportWritesWhatVarnelscanWrites) {
    const std::wstring root = window->Result().rootPath;
    for (const std::wstring format : {L"csv", L"json"}) {
        const std::wstring target = settings.At(L"export." + format);
        ASSERT_TRUE(window->ExportTo(target));
        WaitWhile([&] { return window->IsExporting(); });
        EXPECT_EQ(window->NoticeKey(), "status.export_done");
        const std::string expected =
            RunVarnelscan(L"--format " + format + L" \"" + root + L"\"", settings.At(L"varnelscan." + format));
        // Each scan records its own time; everything else is the same bytes.
        const std::regex elapsed("\"elapsedMs\": [0-9]+");
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(std::regex_replace(ReadBytes(target), elapsed, "T"), std::regex_replace(expected, elapsed, "T"));
    }
}

TEST_F(SortAndExportTest, AFailedOrCancelledExportLeavesTheTargetAsItWas) {
    ASSERT_TRUE(window->ExportTo(settings.At(L"missing\\export.csv")));
    WaitWhile([&] { return window->IsExporting(); });
    EXPECT_EQ(window->NoticeKey(), "status.export_failed");

    const std::wstring target = settings.At(L"kept.json");
    std::ofstream(std::filesystem::path(target)) << "old";
    std::atomic<bool> cancel = true;
    std::atomic<std::uint64_t> written = 0;
    EXPECT_EQ(WriteResultFile(window->Result(), ExportFormat::Json, target, cancel, written),
              ExportOutcome::Cancelled);
    EXPECT_EQ(ReadBytes(target), "old");
    EXPECT_FALSE(std::filesystem::exists(target + L".export.tmp"));
}

TEST_F(SortAndExportTest, ASavedScanOpensAsItWasADamagedOneChangesNothingAndEachScanKeepsASnapshot) {
    const auto csv = [&] { return report::RenderCsv(window->Result(), {}); };
    const auto finish = [&] { WaitWhile([&] { return window->IsBusyWithSavedScan(); }); };
    const std::string shown = csv();
    const std::wstring file = settings.At(L"scan.vscan");
    ASSERT_TRUE(window->SaveScanTo(file));
    EXPECT_EQ(window->NoticeKey(), "status.saving_scan");
    finish();
    EXPECT_EQ(window->NoticeKey(), "status.scan_saved");
    const std::string bytes = ReadBytes(file);
    std::ofstream(std::filesystem::path(settings.At(L"cut.vscan")), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    ASSERT_TRUE(window->OpenScanFrom(settings.At(L"cut.vscan")));
    finish();
    EXPECT_EQ(window->NoticeKey(), "status.saved.truncated");
    EXPECT_EQ(csv(), shown);
    ASSERT_TRUE(window->OpenScanFrom(file));
    finish();
    EXPECT_EQ(window->NoticeKey(), "status.saved.ok");
    EXPECT_EQ(csv(), shown);

    const std::filesystem::path snapshots(settings.At(L"appdata\\Varnel\\snapshots"));
    const auto count = [&] {
        window->WaitForSnapshot();
        return std::distance(std::filesystem::directory_iterator(snapshots), std::filesystem::directory_iterator());
    };
    ASSERT_EQ(count(), 1);
    ::Sleep(1100);  // snapshots are named by the second they were taken
    data.File(L"tree\\grown.bin", 5000);
    ASSERT_EQ(Scan(data.At(L"tree")), core::ScanStatus::Completed);
    EXPECT_EQ(count(), 2);
}

TEST_F(SortAndExportTest, ChangesSinceAPickedSnapshotShowInTheColumnTheRankingAndTheStatusLine) {
    // Snapshots: the fixture's scan, then one with "old" (400 B); now "old"
    // is gone, "sub" grew by 5,000 B and "new" (700 B) appeared.
    data.Folder(L"tree\\old");
    data.File(L"tree\\old\\gone.bin", 400);
    ::Sleep(1100);  // snapshots are named by the second they were taken
    ASSERT_EQ(Scan(data.At(L"tree")), core::ScanStatus::Completed);
    std::filesystem::remove_all(data.At(L"tree\\old"));
    data.File(L"tree\\sub, \u00e9\u4e2d\\grown.bin", 5000);
    data.Folder(L"tree\\new");
    data.File(L"tree\\new\\n.bin", 700);
    ::Sleep(1100);
    ASSERT_EQ(Scan(data.At(L"tree")), core::ScanStatus::Completed);

    const HWND tree = Control(TreeListId);
    const HWND growth = Control(GrewMostListId);
    const auto changeOf = [&](const std::wstring& name) {
        for (int row = 0; row < ListView_GetItemCount(tree); ++row) {
            if (ListText(tree, row, 0) == name) return ListText(tree, row, ChangeColumnOfTree);
        }
        return std::wstring(L"no row");
    };
    const std::wstring rootName = ListText(tree, 0, 0);
    const struct {
        int command;
        std::wstring root, sub, added, file;
        std::vector<std::wstring> grewMost;
        bool gone;
    } comparisons[] = {
        {FirstComparisonCommandId, L"+5.2 KB", L"+4.9 KB", L"new", L"", {L"sub, \u00e9\u4e2d", L"new"}, true},
        {FirstComparisonCommandId + 1, L"+5.6 KB", L"+4.9 KB", L"new", L"", {L"sub, \u00e9\u4e2d", L"new"}, false},
        {CompareNoneCommandId, L"", L"", L"", L"", {}, false},
    };
    const auto compare = [&](int command) {
        Command(command);
        WaitForComparison();
    };
    for (const auto& c : comparisons) {
        SCOPED_TRACE(c.command);
        compare(c.command);
        EXPECT_EQ(changeOf(rootName), c.root);
        EXPECT_EQ(changeOf(L"sub, \u00e9\u4e2d"), c.sub);
        EXPECT_EQ(changeOf(L"new"), c.added);
        EXPECT_EQ(changeOf(L"File1.bin"), c.file);
        EXPECT_EQ(ListView_GetColumnWidth(tree, ChangeColumnOfTree) > 0, !c.grewMost.empty());
        EXPECT_EQ(::IsWindowVisible(growth) != FALSE, !c.grewMost.empty());
        ASSERT_EQ(ListView_GetItemCount(growth), static_cast<int>(c.grewMost.size()));
        for (std::size_t i = 0; i < c.grewMost.size(); ++i) {
            EXPECT_EQ(std::filesystem::path(ListText(growth, static_cast<int>(i), 2)).filename().wstring(), c.grewMost[i]);
        }
        const std::wstring line = StatusText(0);
        EXPECT_EQ(line.find(L"gone: 1 folders (400 B)") != std::wstring::npos, c.gone) << line;
        EXPECT_EQ(line.find(L"Since") != std::wstring::npos, !c.grewMost.empty()) << line;
    }

    // A comparison still being made when None is picked is dropped, never shown late.
    Command(FirstComparisonCommandId);
    compare(CompareNoneCommandId);
    EXPECT_FALSE(window->Change().Active());
    EXPECT_EQ(ListView_GetColumnWidth(tree, ChangeColumnOfTree), 0);

    // A rescanned folder that arrives while a comparison is under way drops it
    // (its worker must not read the result as it changes); it starts again.
    Command(FirstComparisonCommandId);
    const std::wstring sub = data.At(L"tree\\sub, \u00e9\u4e2d");
    core::ScanCancellationToken token;
    core::ScanResult rescan = core::ScanScheduler(core::EngineChoice::NtQueryDirectory, 0).Scan({sub}, sub, token, {});
    ASSERT_TRUE(window->Lists().ReplaceSubtree(core::FindFolder(window->Result(), sub), std::move(rescan)));
    WaitForComparison();
    EXPECT_TRUE(window->Change().Active());

    // The change column sorts like the other numbers; the gone folder's path goes to the clipboard.
    compare(FirstComparisonCommandId);
    ClickHeader(TreeListId, ChangeColumnOfTree);
    EXPECT_EQ(ListText(tree, 1, 0), L"sub, \u00e9\u4e2d");
    EXPECT_EQ(ListText(tree, 2, 0), L"new");
    Command(CopyGoneFoldersCommandId);
    EXPECT_EQ(window->NoticeKey(), "status.gone_copied");
    const auto copied = [] {
        std::wstring text;
        if (::OpenClipboard(nullptr)) {
            if (const HANDLE held = ::GetClipboardData(CF_UNICODETEXT)) {
                text = static_cast<const wchar_t*>(::GlobalLock(held));
                ::GlobalUnlock(held);
            }
            ::CloseClipboard();
        }
        return text;
    };
    EXPECT_EQ(copied(), data.At(L"tree\\old") + L"\r\n");
    // Ctrl+C in the growth ranking copies its row's path, as in the other rankings.
    ListView_SetItemState(growth, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    BYTE keys[256]{};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    ::SendMessageW(growth, WM_KEYDOWN, 'C', 1);
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
    EXPECT_EQ(copied(), data.At(L"tree\\sub, \u00e9\u4e2d"));
    // A typed letter jumps to the row that starts with it, as in the other lists.
    const int last = ListView_GetItemCount(growth) - 1;
    ASSERT_GT(last, 0);
    const std::wstring lastName = ListText(growth, last, 0);
    ASSERT_NE(ListText(growth, 0, 0)[0], lastName[0]);
    ::Sleep(1100);  // the list's search starts afresh after a pause
    ::SendMessageW(growth, WM_CHAR, lastName[0], 1);
    testing::PumpMessages();
    EXPECT_EQ(ListText(growth, ListView_GetNextItem(growth, -1, LVNI_SELECTED), 0)[0], lastName[0]);
    Command(CompareNoneCommandId);
    EXPECT_EQ(ArrowOf(TreeListId, ChangeColumnOfTree), 0) << "no order by a hidden column";
}

}  // namespace
}  // namespace varnel::ui
