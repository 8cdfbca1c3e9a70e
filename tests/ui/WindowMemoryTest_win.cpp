// The main window's progress while a scan runs, and what it remembers from
// one run to the next, through real windows and a real settings file.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "support/MainWindowTestOptions_win.h"
#include "support/TempFolder_win.h"
#include "ui/MainWindow.h"
#include "ui/ResultColumns.h"

namespace varnel::ui {
namespace {

using varnel::testing::PumpMessages;
using varnel::testing::TempFolder;

// The title, or for the status bar the text of its first part.
std::wstring WindowText(HWND window) {
    wchar_t buffer[1024]{};
    ::GetWindowTextW(window, buffer, 1024);
    return buffer;
}

void Close(MainWindow& window) {
    ::DestroyWindow(window.Handle());
    PumpMessages();
    varnel::testing::DiscardQuitMessages();
}

template <typename Done>
void PumpUntil(Done done) {
    const ULONGLONG deadline = ::GetTickCount64() + 30'000;
    while (!done() && ::GetTickCount64() < deadline) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
    }
}

// Reads part of the records of a volume, then waits to be cancelled.
struct HalfReadEngine final : core::IScanEngine {
    core::ScanResult Scan(const std::wstring& path, core::ScanCancellationToken& token,
                          const core::ScanProgressCallback& progress) override {
        core::ScanProgress report;
        report.filesScanned = 7;
        report.bytesFound = 3 * 1024 * 1024;
        report.recordsRead = 50;
        report.recordCount = 200;
        progress(report);
        while (!token.IsCancelled()) ::Sleep(10);
        core::ScanResult result;
        result.status = core::ScanStatus::Cancelled;
        result.rootPath = path;
        return result;
    }
};

TEST(ScanProgressDisplay, BarTaskbarAndStatusShowTheKnownShareUntilTheScanEnds) {
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    ::InitCommonControlsEx(&controls);
    TempFolder folders;
    folders.Folder(L"program");
    folders.Folder(L"data");
    core::ScanEngineFactory engines = core::SystemScanEngines();
    engines.isVolumeRoot = [](const std::wstring&) { return false; };
    engines.createNtQueryEngine = [](std::uint64_t) { return std::make_unique<HalfReadEngine>(); };
    MainWindowOptions options = varnel::testing::MainWindowTestOptions(folders);
    options.controller = std::make_unique<app::ApplicationController>(engines);
    MainWindow window(::GetModuleHandleW(nullptr), std::move(options));
    ASSERT_TRUE(window.Create());

    window.ChooseFolder(folders.At(L"data"));
    ::SendMessageW(window.Handle(), WM_COMMAND, ScanButtonId, 0);
    PumpUntil([&] { return window.ProgressBar().ShownPercent() == 25; });
    EXPECT_EQ(window.ProgressBar().ShownPercent(), 25);
    EXPECT_EQ(window.ProgressBar().TaskbarState(), TaskbarProgressState::Normal);
    const std::wstring text = WindowText(::GetDlgItem(window.Handle(), StatusBarId));
    EXPECT_NE(text.find(L"Found:\u00A03.0 MB"), std::wstring::npos);
    EXPECT_NE(text.find(L"25\u00A0%"), std::wstring::npos);

    ::SendMessageW(window.Handle(), WM_COMMAND, CancelButtonId, 0);
    PumpUntil([&] { return window.Result().status != core::ScanStatus::None; });
    EXPECT_FALSE(window.ProgressBar().IsShown());
    EXPECT_EQ(window.ProgressBar().TaskbarState(), TaskbarProgressState::None);
    Close(window);
}

TEST(WindowMemory, PlacementSplittersColumnsSortAndFolderComeBackAtTheNextStart) {
    TempFolder folders;
    folders.Folder(L"program");
    folders.Folder(L"data");
    folders.File(L"data\\a.bin", 100);
    const RECT frame{40, 30, 40 + 900, 30 + 640};
    app::WindowMemory left;
    {
        MainWindow first(::GetModuleHandleW(nullptr), varnel::testing::MainWindowTestOptions(folders));
        ASSERT_TRUE(first.Create());
        ::ShowWindow(first.Handle(), SW_SHOWNORMAL);
        ::SetWindowPos(first.Handle(), nullptr, frame.left, frame.top, frame.right - frame.left,
                       frame.bottom - frame.top, SWP_NOZORDER);
        first.ChooseFolder(folders.At(L"data"));
        ::SendMessageW(first.Handle(), WM_COMMAND, ScanButtonId, 0);
        PumpUntil([&] { return first.Result().status != core::ScanStatus::None; });
        EXPECT_EQ(WindowText(first.Handle()).rfind(folders.At(L"data") + L" - Varnel", 0), 0u);
        ListView_SetColumnWidth(::GetDlgItem(first.Handle(), TreeListId), 2, 222);
        first.ToggleSort();
        left = first.CurrentWindowMemory();
        Close(first);
    }
    EXPECT_FALSE(left.sortDescending);

    MainWindow second(::GetModuleHandleW(nullptr), varnel::testing::MainWindowTestOptions(folders));
    ASSERT_TRUE(second.Create());
    EXPECT_EQ(second.Settings().window, left);
    RECT restored{};
    ::GetWindowRect(second.Handle(), &restored);
    EXPECT_TRUE(::EqualRect(&restored, &frame)) << restored.left << "," << restored.top << " " << restored.right;
    const int scaled222 = ScaleForDpi(static_cast<int>(std::lround(222 * 96.0 / second.Dpi())), second.Dpi());
    EXPECT_EQ(ListView_GetColumnWidth(::GetDlgItem(second.Handle(), TreeListId), 2), scaled222);
    EXPECT_EQ(WindowText(second.Handle()).find(L" - "), std::wstring::npos) << "no result shown yet";
    wchar_t selected[MAX_PATH * 2]{};
    const HWND pathBox = ::GetDlgItem(second.Handle(), PathBoxId);
    ::SendMessageW(pathBox, CB_GETLBTEXT, ::SendMessageW(pathBox, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(selected));
    EXPECT_NE(std::wstring(selected).find(folders.At(L"data")), std::wstring::npos);
    Close(second);
}

}  // namespace
}  // namespace varnel::ui
