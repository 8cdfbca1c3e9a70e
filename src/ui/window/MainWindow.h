#pragma once
// The program's only top-level window: the tool row, the result lists, the
// splitters and the status bar. It owns the scan session, the settings, the
// texts and the shown result for the whole run, and hands the pieces their
// work: ResultLists (the three lists), the menu model (MenuBar) and the
// StatusBar.

#include <windows.h>

#include <shellapi.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scan/ScanSession.h"
#include "scan/SnapshotStore.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"
#include "i18n/Localizer.h"
#include "i18n/StatusText.h"
#include "platform/Drives.h"
#include "platform/WindowMessageTarget_win.h"
#include "ui/theme/GdiOwners_win.h"
#include "ui/window/MainWindowIds.h"
#include "ui/view/MainWindowLayout.h"
#include "ui/window/ResultExport_win.h"
#include "ui/lists/GrowthRanking_win.h"
#include "ui/lists/ResultLists_win.h"
#include "ui/search/SearchWindow_win.h"
#include "ui/window/SavedScanTask_win.h"
#include "ui/window/ScanProgressBar_win.h"
#include "ui/window/SnapshotComparer_win.h"
#include "ui/window/SnapshotKeeper_win.h"
#include "ui/window/StatusBar_win.h"
#include "ui/theme/ThemePalette.h"
#include "ui/treemap/FileTypesView_win.h"
#include "ui/treemap/TreemapWindow_win.h"

namespace varnel::ui {

inline constexpr wchar_t MainWindowClassName[] = L"Varnel.MainWindow";

// Everything the window needs from outside, so tests can point it at
// temporary folders and fake engines.
struct MainWindowOptions {
    app::SettingsStoreOptions settings;
    std::unique_ptr<app::ScanSession> scanSession;  // the program's own when null
    std::unique_ptr<i18n::Localizer> localizer;              // the program's own when null
    std::unique_ptr<ShellActions> shell;                     // the system's when null
    // The space of a scanned drive, read when its scan ends; the system's when null.
    std::function<std::optional<platform::DriveQueries::Space>(const std::wstring& root)> driveSpace;
    // The folder picker: the chosen folder, empty on cancel; the shell's when null.
    std::function<std::wstring(HWND owner, const std::wstring& title, const std::wstring& initial)> pickFolder;
};

class MainWindow : private platform::WindowMessageTarget<MainWindow> {
    friend class platform::WindowMessageTarget<MainWindow>;

public:
    explicit MainWindow(HINSTANCE instance, MainWindowOptions options = {});
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    // Cancels and joins a running scan before anything else goes.
    ~MainWindow();

    // Registers the class (once per process) and creates the window with the
    // title for the current rights, sized for its monitor's DPI and placed on
    // its work area. Returns false when either fails, or when any of its
    // controls cannot be made (no window is left then).
    bool Create();
    HWND Handle() const noexcept { return window_; }

    // Run once after the window is shown: offers, or makes, a restart with
    // administrator rights. False when an elevated copy was started and this
    // instance must end (the window is already gone).
    bool DecideElevation();

    // The keyboard of the message loop: accelerators (F5, Esc, Ctrl+O,
    // Shift+F10) and dialog-style navigation (Tab, access keys). True when
    // the message was handled and must not be dispatched again.
    bool TranslateKeyboard(MSG& message);

    // Read access for tests and for the commands of the menus.
    const core::ScanResult& Result() const noexcept { return lists_.Result(); }
    const ResultTree& Tree() const noexcept { return lists_.Tree(); }
    const Rankings& CurrentRankings() const noexcept { return lists_.CurrentRankings(); }
    std::uint64_t SelectedNode() const noexcept { return lists_.SelectedNode(); }
    const PaneSizes& Panes() const noexcept { return panes_; }
    UINT Dpi() const noexcept { return dpi_; }
    const ThemePalette& Palette() const noexcept { return palette_; }
    app::ScanSession& Session() noexcept { return *scanSession_; }
    const app::AppSettings& Settings() const noexcept { return settings_; }
    // The notice shown in the status bar, by its text key; empty when none.
    const std::string& NoticeKey() const noexcept { return status_.NoticeKey(); }
    const ScanProgressBar& ProgressBar() const noexcept { return progressBar_; }
    SearchWindow& Search() noexcept { return search_; }
    ResultLists& Lists() noexcept { return lists_; }
    // The remembered window was maximised: the first show should be too.
    bool StartsMaximized() const noexcept { return settings_.window.dpi != 0 && settings_.window.maximized; }
    // What is remembered of the window now, as the next start would read it.
    app::WindowMemory CurrentWindowMemory() const;

    // The folder chosen with the Folder button, a recent folder or a drop:
    // it heads the recent folders and is selected in the path box. Never
    // starts a scan.
    void ChooseFolder(const std::wstring& folder);
    // Scans folders or drives at once, as the command line asks: one path as
    // itself (an existing folder also becomes the chosen one), several as one
    // merged result. Nothing while a scan runs.
    void ScanPaths(const std::vector<std::wstring>& paths);
    void SelectTreeNode(std::uint64_t node) { lists_.SelectTreeNode(node); }
    void ToggleExpand(std::size_t row) { lists_.ToggleExpand(row); }
    void ToggleSort() { lists_.ToggleSort(); }
    void OpenSelected() { lists_.OpenSelected(window_); }
    // Writes the shown result to `path` on a worker, as CSV or as JSON by the
    // name's extension; the status shows the progress, Cancel stops it, and
    // a notice tells how it ended. False when there is nothing to export (no
    // result, or a scan running) or an export still runs.
    bool ExportTo(const std::wstring& path);
    // File > Save scan and Open scan without their dialogs. A file that
    // cannot be read changes nothing; the notice says why.
    // Both run on a worker and say so in the status bar; false when nothing
    // was started (no result to save, a scan or another save or open runs).
    bool SaveScanTo(const std::wstring& path);
    bool OpenScanFrom(const std::wstring& path);
    bool IsBusyWithSavedScan() const noexcept { return savedScans_.IsRunning(); }
    // The ranking of the folders that grew most since the compared snapshot.
    const GrowthRanking& Growth() const noexcept { return growth_; }
    const ResultChange& Change() const noexcept { return lists_.Change(); }
    bool IsExporting() const noexcept { return export_.IsRunning(); }
    // Waits until the snapshot of the last scan is written (it is kept on a worker).
    void WaitForSnapshot() { snapshots_.Wait(); }
    // Waits until the comparison's worker is done; its outcome is shown
    // once its message is dispatched.
    void WaitForComparison() { comparer_.WaitUntilIdle(); }
    // Makes a theme the active one and repaints; saving it is the caller's.
    void ApplyThemeIdentifier(std::wstring identifier);
    const TreemapWindow& Treemap() const noexcept { return treemap_; }
    FileTypesView& FileTypes() noexcept { return fileTypes_; }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    LRESULT OnCreate();
    LRESULT OnDestroy();
    LRESULT OnSize(int width, int height);
    LRESULT OnPaint();
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(int x, int y);
    LRESULT OnLeftButtonDown(int x, int y);
    LRESULT OnLeftButtonUp();
    LRESULT OnTimer(UINT_PTR timer);
    LRESULT OnCommand(int id);
    LRESULT OnNotify(NMHDR& header);
    LRESULT OnDeviceChange(WPARAM event);
    LRESULT OnDpiChanged(UINT dpi, const RECT& suggested);
    LRESULT OnGetMinMaxInfo(MINMAXINFO& limits);
    LRESULT OnStaticColour(HDC dc, HWND control);
    void RestoreFocus();
    LRESULT OnScanCompleted();
    LRESULT OnDropFiles(HDROP drop);
    LRESULT OnContextMenu(HWND source, int x, int y);
    LRESULT OnContextMenuKey();
    LRESULT OnExportDone(WPARAM id);
    // The export reads the shown result in place: it is cancelled and joined
    // before anything replaces or changes that result.
    void StopExportBeforeResultChanges();

    // Menus and commands.
    void BuildMenuBar();
    void FillRecentMenu();
    void AddRecentFolder(const std::wstring& folder);
    void OpenRecentFolder(std::size_t position);
    void PickFolder();
    void ChangeLanguage(std::size_t commandOffset);
    void ChangeTheme(std::size_t position);
    // Settings > Size on disk: saved first, then every list follows.
    void ToggleSizeOnDisk();
    // Settings > Show "Analyse with Varnel" in Explorer: adds or removes the
    // per-user entry; the registry, not the settings file, remembers it.
    void ToggleExplorerEntry();
    void ShowScanSettings();
    void ShowAbout();
    void ExportWithDialog();
    void SaveScanWithDialog();
    void OpenScanWithDialog();
    void ToggleKeepSnapshots();
    void KeepSnapshotOfResult();
    LRESULT OnSavedScanDone(WPARAM id);
    void FinishSavedScan();

    // What changed since an earlier snapshot (MainWindowChange_win.cpp).
    app::SnapshotStore Snapshots() const;
    // The kept snapshots of the shown root taken before it, newest first,
    // and a comparison with the newest of them that can be read, made on
    // the comparer's worker; none is shown until it is done.
    void CompareWithNewestSnapshot();
    // One of them by position, on the worker; past the end for none, at
    // once. Nothing is scanned again.
    void CompareWith(std::size_t position);
    void StartComparison(std::size_t first, std::vector<app::StoredSnapshot> candidates);
    LRESULT OnComparisonDone(WPARAM id);
    // The column, the ranking, the status line and the menu follow the
    // outcome; an unreadable snapshot leaves its notice.
    void ShowComparison(SnapshotComparer::Outcome outcome);
    // A deletion or a rescanned folder drops the comparison under way (its
    // worker must not read the result while it changes): it starts again
    // on the changed result, so the change column still comes.
    void ResumeComparison();
    // The growth ranking of the tree's selected folder, when it is not shown already.
    void FollowGrowth(bool force);
    // "Since DATE: +1.2 GB · gone: 3 folders (400 MB)"; empty without a comparison.
    std::wstring ChangeSummaryText() const;
    void CopyGoneFolders();
    LRESULT OnSnapshotKept(WPARAM id);
    void ShowExportProgress();
    void Retranslate();
    // Writes the settings file; on failure names the notice and returns false.
    bool SaveSettings();
    void ShowSettingsHold();
    // Saves the settings with `change` applied and keeps the change only
    // when the save succeeded.
    bool SaveSettingsWith(const std::function<void(app::AppSettings&)>& change);

    // Tool row and layout.
    bool CreateControls();
    void ApplyFonts();
    void RebuildFont();
    void Layout();
    ButtonWidths MeasureButtons() const;
    void SetIdleControls();
    void UpdateOpenButton();
    void ApplyPalette();
    int Scale(int value) const { return ScaleForDpi(value, dpi_); }

    // Path box: owner-drawn, so that a long path loses its middle rather
    // than the folder's name, with a tooltip showing it whole.
    void FillPathBox();
    void RefreshDrives();
    void CreatePathTip();
    LRESULT OnMeasureItem(MEASUREITEMSTRUCT& item);
    LRESULT OnDrawItem(const DRAWITEMSTRUCT& item);
    bool OnPathTipText(NMTTDISPINFOW& info);
    void SetPathBoxItemHeight();

    // What the window remembers between runs (WindowMemory_win.cpp).
    void RestorePlacement();
    void RestoreListsAndFolder();
    void RememberWindow();
    void ShowResultInTitle();

    // The treemap and file types panes (MainWindowPanes_win.cpp).
    bool CreatePanes();
    void ShowResultInPanes();
    void ClearPanes();
    // The selection of the tree or a ranking changed: the treemap outlines
    // it and the file types follow the selected folder.
    void FollowListSelection();
    void OnTreemapPicked(std::uint64_t node);
    void TogglePane(bool treemap);
    void PlacePanes();

    // Scans (MainWindowStart_win.cpp).
    void StartScan();
    void StartScanOf(std::vector<std::wstring> roots, std::wstring displayName);
    // The roots the path box asks for: its selected entry, or the path typed
    // or pasted into it. False when it asks for nothing.
    bool RootsToScan(std::vector<std::wstring>& roots, std::wstring& displayName);
    // The picker and the recent folders: choose, then scan.
    void ChooseAndScan(const std::wstring& folder);
    bool PathBoxHasFocus() const;
    // "C: System — Used: 40 GB, Free: 60 GB"; the bare name when the size is unknown.
    std::wstring DriveEntryText(const platform::DriveInfo& drive);
    // Rescan of one folder of the shown result (MainWindowRescan_win.cpp).
    void RescanFolder(std::uint64_t node);
    LRESULT OnRescanCompleted();
    void CancelScan();
    void CoalesceScanCommand(int id);
    LRESULT OnCoalescedScanCommand();
    void RunScanCommand(int id);
    void ShowProgressText();
    void ShowSummaryText();
    // The space of the drive the shown result is the root of, as it is now;
    // none for a folder, "All local drives" or an unfinished scan.
    std::optional<i18n::DriveFigures> ReadDriveFigures() const;

    HINSTANCE instance_;
    HWND pathBox_ = nullptr;
    HWND scanButton_ = nullptr;
    HWND cancelButton_ = nullptr;
    HWND folderButton_ = nullptr;
    HWND openButton_ = nullptr;
    HWND pathTip_ = nullptr;  // owned by the window: destroyed with it
    HWND focusBeforeDeactivation_ = nullptr;
    std::wstring pathTipText_;
    HMENU recentMenu_ = nullptr;  // owned by the menu bar, which the window owns
    HICON largeIcon_ = nullptr;   // shared icons from the resources: not destroyed
    HICON smallIcon_ = nullptr;
    platform::UniqueAcceleratorTable accelerators_;

    std::unique_ptr<app::ScanSession> scanSession_;
    int pendingScanCommand_ = 0;  // the last Scan or Cancel of a queued burst; 0 when none waits
    app::SettingsStore settingsStore_;
    app::AppSettings settings_;
    std::unique_ptr<i18n::Localizer> localizer_;
    std::wstring formattingLocale_ = L"system";

    UINT dpi_ = 96;
    UniqueFont ownFont_;   // null while the stock font is in use
    HFONT font_ = nullptr;  // ownFont_ or the stock font

    std::wstring themeId_ = L"MysticForest";
    ThemePalette palette_;
    UniqueBrush menuBarBrush_;  // the menu bar's background in dark themes

    ResultLists lists_;
    SearchWindow search_{*localizer_, lists_};  // reads lists_' result: declared after it
    StatusBar status_;
    ResultExport export_;
    SnapshotKeeper snapshots_;  // reads lists_' result: declared after it
    ScanProgressBar progressBar_;
    std::chrono::steady_clock::time_point scanStart_;
    std::uint64_t expectedScanBytes_ = 0;  // 0 where the scanned roots have no known size
    std::function<std::optional<platform::DriveQueries::Space>(const std::wstring& root)> driveSpace_;
    std::function<std::wstring(HWND owner, const std::wstring& title, const std::wstring& initial)> pickFolder_;
    std::optional<i18n::DriveFigures> driveFigures_;  // of the shown result, read when its scan ended
    std::wstring baseTitle_;
    std::wstring chosenFolder_;
    std::wstring rescanPath_;  // the folder a running rescan lists; empty for a whole scan
    // The settings file could not be read and no copy of it could be kept:
    // only a change the user makes may replace it, never the save at exit.

    TreemapWindow treemap_;
    FileTypesView fileTypes_;
    GrowthRanking growth_;
    SavedScanTask savedScans_;
    SnapshotComparer comparer_;  // reads lists_' result: declared after it
    std::vector<app::StoredSnapshot> comparisons_;  // of the shown root, newest first
    std::size_t compared_ = SnapshotComparer::NoPosition;  // in comparisons_; past its end for none
    struct ComparisonRequest {
        std::size_t first = 0;
        std::vector<app::StoredSnapshot> candidates;
    };
    std::optional<ComparisonRequest> comparisonUnderWay_;  // started and not yet shown
    std::int64_t resultTakenAt_ = 0;  // when the shown result was scanned (or saved, for an opened one)
    std::uint64_t growthFolder_ = core::NoIndex;  // the folder the growth ranking shows
    bool typesCurrent_ = false;  // the treemap's type index belongs to the shown result
    std::uint64_t typesScope_ = core::NoIndex;

    int clientWidth_ = 0;
    int clientHeight_ = 0;
    PaneSizes panes_;
    MainLayout layout_;
    SplitterHit dragMode_ = SplitterHit::None;
};

}  // namespace varnel::ui
