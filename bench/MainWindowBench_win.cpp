// The real main window under a 10,000,000-node result, timed on the window
// thread: showing the result after the completion message, filling both
// rankings for the root and for a folder deep in the tree, expanding a folder
// with 100,000 children, toggling the sort, and the steps after which the
// treemap is drawn again on its worker (a resize, a zoom, a theme change),
// of which only the window thread's part is timed; and the comparison with
// an earlier snapshot that follows the scan. Prints figures; asserts
// nothing. Run it with a display (scripts/env.sh: varnel_start_display).

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <vector>

#include "LargeResult.h"
#include "model/FolderSnapshot.h"
#include "scan/ScanSession.h"
#include "scan/SnapshotStore.h"
#include "i18n/Formatting.h"
#include "i18n/Localizer.h"
#include "ui/window/MainWindow.h"

namespace {

using namespace varnel;
using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The window thread's own CPU time (user and kernel): the machine is shared,
// so wall time alone says as much about the neighbours as about the window.
double ThreadCpuMilliseconds() {
    FILETIME created{}, exited{}, kernel{}, user{};
    ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10'000.0;
}

struct Stopwatch {
    Clock::time_point wall = Clock::now();
    double cpu = ThreadCpuMilliseconds();
    void Print(const char* what) const {
        std::printf("%-52s %8.1f ms  (window thread CPU %6.1f ms)\n", what, Milliseconds(wall),
                    ThreadCpuMilliseconds() - cpu);
    }
};

// Hands out the prepared result as if a scan had produced it.
class PreparedEngine final : public core::IScanEngine {
public:
    explicit PreparedEngine(bench::LargeResult& prepared) : prepared_(prepared) {}
    core::ScanResult Scan(const std::wstring&, core::ScanCancellationToken&, const core::ScanProgressCallback&) override {
        core::ScanResult result = std::move(prepared_.result);
        result.status = core::ScanStatus::Completed;
        return result;
    }

private:
    bench::LargeResult& prepared_;
};

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH]{};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path().wstring();
}

// Dispatches messages until `done` holds (at most a minute): the window
// thread's CPU for all of them, and the longest one, for which the window
// answered nothing else.
template <class Done>
void PumpUntil(const char* what, Done done) {
    const Stopwatch whole;
    double longest = 0;
    const auto deadline = Clock::now() + std::chrono::minutes(1);
    while (!done() && Clock::now() < deadline) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            const Clock::time_point start = Clock::now();
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
            longest = std::max(longest, Milliseconds(start));
        }
    }
    whole.Print(what);
    std::printf("  longest message: %.1f ms%s\n", longest, done() ? "" : "  (never done)");
}

void PumpUntilIdle() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

}  // namespace

int wmain() {
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    ::InitCommonControlsEx(&controls);
    bench::LargeResult prepared = bench::MakeLargeResult();
    const std::uint64_t deepFolder = prepared.deepFolder;
    const std::uint64_t wideFolder = prepared.wideFolder;

    core::ScanEngineFactory engines;
    engines.createWalkEngine = [&prepared] { return std::make_unique<PreparedEngine>(prepared); };
    const std::filesystem::path settings = std::filesystem::temp_directory_path() / L"varnel-window-bench";
    std::error_code ignored;
    std::filesystem::remove_all(settings, ignored);  // snapshots of an earlier run that did not end
    ui::MainWindowOptions options;
    options.settings.programFolder = (settings / L"program").wstring();
    options.settings.localAppDataFolder = (settings / L"appdata").wstring();
    options.scanSession = std::make_unique<app::ScanSession>(engines);
    options.localizer = std::make_unique<i18n::Localizer>(ProgramFolder() + L"\\resources\\strings",
                                                          [] { return std::wstring(L"en-US"); });
    // An earlier snapshot of the same folders, for the comparison after the scan.
    const std::size_t earlierFolders = [&] {
        const core::FolderSnapshot earlier = core::MakeFolderSnapshot(
            prepared.result, static_cast<std::int64_t>(std::time(nullptr)) - 3600);
        app::SnapshotStore(settings / L"appdata" / L"Varnel" / app::SnapshotFolderName).Keep(earlier);
        return earlier.folders.size();
    }();
    ui::MainWindow window(::GetModuleHandleW(nullptr), std::move(options));
    if (!window.Create()) return 1;
    ::ShowWindow(window.Handle(), SW_SHOWNORMAL);
    PumpUntilIdle();
    const Stopwatch emptyRepaint;
    ::RedrawWindow(window.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    emptyRepaint.Print("repaint the window before the scan (lists empty)");
    window.Session().SetScanOptions({core::EngineChoice::DirectoryWalk, 0});  // the prepared engine stands in for the walk engine
    std::filesystem::create_directories(settings);
    window.ChooseFolder(settings.wstring());
    ::SendMessageW(window.Handle(), WM_COMMAND, ui::ScanButtonId, 0);

    bool shown = false;
    MSG message;
    while (!shown && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
        const Stopwatch show;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
        if (message.message == app::ScanCompletedMessage) {
            ::UpdateWindow(window.Handle());
            show.Print("show the result after the completion message");
            shown = true;
        }
    }
    const auto timed = [&](const char* what, auto step) {
        const Stopwatch watch;
        step();
        ::UpdateWindow(window.Handle());
        watch.Print(what);
    };
    std::printf("%zu nodes\n", window.Result().nodes.size());
    {
        // Kept on a worker since the show: how much longer it takes. The
        // steps below run without it, as they did when it held up the show.
        const Stopwatch snapshot;
        window.WaitForSnapshot();
        snapshot.Print("the folder snapshot kept on its worker, after that");
    }
    std::printf("%zu folders in the earlier snapshot\n", earlierFolders);
    PumpUntil("compare with the earlier snapshot (until shown)", [&] { return window.Change().Active(); });
    // Open the folders above the deep one, so that it has a row to select.
    std::vector<std::uint64_t> ancestors;
    for (std::uint64_t n = window.Result().nodes[deepFolder].Parent(); n != window.Result().rootIndex;
         n = window.Result().nodes[n].Parent()) {
        ancestors.insert(ancestors.begin(), n);
    }
    for (const std::uint64_t ancestor : ancestors) {
        window.ToggleExpand(*window.Tree().FindRow(ancestor));
    }
    timed("select a folder deep in the tree (rankings)", [&] { window.SelectTreeNode(deepFolder); });
    timed("select the root again (rankings of everything)", [&] { window.SelectTreeNode(window.Result().rootIndex); });
    const std::size_t wideRow = *window.Tree().FindRow(wideFolder);
    timed("expand a folder with 100,000 children", [&] { window.ToggleExpand(wideRow); });
    timed("toggle the sort (100,000 rows listed)", [&] { window.ToggleSort(); });
    timed("toggle the sort back", [&] { window.ToggleSort(); });
    timed("1,000 sizes formatted (one list cell each)", [&] {
        for (int i = 0; i < 1000; ++i) i18n::FormatSize(L"en-US", 123456789ull + static_cast<unsigned>(i));
    });
    const HWND treemap = window.Treemap().Handle();
    RECT frame{};
    ::GetWindowRect(window.Handle(), &frame);
    timed("resize the window (treemap drawn on its worker)", [&] {
        ::SetWindowPos(window.Handle(), nullptr, 0, 0, frame.right - frame.left - 120, frame.bottom - frame.top - 80,
                       SWP_NOMOVE | SWP_NOZORDER);
    });
    RECT pane{};
    ::GetClientRect(treemap, &pane);
    timed("zoom the treemap into the folder at its centre", [&] {
        ::SendMessageW(treemap, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(pane.right / 2, pane.bottom / 2));
    });
    timed("change the theme (treemap drawn on its worker)", [&] { window.ApplyThemeIdentifier(L"Dark"); });
    {
        // The dark theme's own scroll bar over the tree's 100,000 rows (where
        // the system has no dark one): its thumb dragged from top to bottom
        // in 50 mouse moves, each painted before the next.
        const HWND tree = ::GetDlgItem(window.Handle(), ui::TreeListId);
        ListView_EnsureVisible(tree, 0, FALSE);
        SCROLLBARINFO bar{};
        bar.cbSize = sizeof bar;
        ::GetScrollBarInfo(tree, OBJID_VSCROLL, &bar);
        const int thickness = bar.rcScrollBar.right - bar.rcScrollBar.left;
        const int length = bar.rcScrollBar.bottom - bar.rcScrollBar.top;
        const HWND ours = ::WindowFromPoint({bar.rcScrollBar.left + thickness / 2, bar.rcScrollBar.top + length / 2});
        const auto at = [&](int along) { return MAKELPARAM(thickness / 2, along); };
        constexpr int moves = 50;
        const Stopwatch drag;
        ::SendMessageW(ours, WM_LBUTTONDOWN, MK_LBUTTON, at(thickness + thickness / 2));
        for (int i = 1; i <= moves; ++i) {
            ::SendMessageW(ours, WM_MOUSEMOVE, MK_LBUTTON, at(thickness + thickness / 2 + (length - 3 * thickness) * i / moves));
            ::UpdateWindow(window.Handle());
            ::UpdateWindow(tree);
        }
        ::SendMessageW(ours, WM_LBUTTONUP, 0, at(length - thickness));
        drag.Print(ours != tree ? "drag our thumb over 100,000 rows (50 painted moves)" : "drag: no bar of ours found");
        std::printf("  top row after the drag: %d of %d\n", ListView_GetTopIndex(tree), ListView_GetItemCount(tree));
        // The same 50 jumps asked of the list directly: what painting the
        // rows costs, without our bar.
        ListView_EnsureVisible(tree, 0, FALSE);
        ::UpdateWindow(tree);
        RECT row{};
        ListView_GetItemRect(tree, 0, &row, LVIR_BOUNDS);
        const Stopwatch direct;
        for (int i = 1; i <= moves; ++i) {
            ListView_Scroll(tree, 0, ListView_GetItemCount(tree) / moves * (row.bottom - row.top));
            ::UpdateWindow(window.Handle());
            ::UpdateWindow(tree);
        }
        direct.Print("the same 50 jumps by LVM_SCROLL, without our bar");
    }
    timed("repaint the whole window", [&] {
        ::RedrawWindow(window.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    });
    ::DestroyWindow(window.Handle());
    std::filesystem::remove_all(settings, ignored);
    return 0;
}
