#pragma once
// The program's only top-level window: the tool row, the folder tree, the
// two rankings, the splitters and the status bar. It owns the scan session,
// the settings, the texts and the current result for the whole run.

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/ApplicationController.h"
#include "app/AppSettings.h"
#include "app/SettingsStore.h"
#include "core/ScanModel.h"
#include "i18n/Localizer.h"
#include "platform/UniqueHandle_win.h"
#include "ui/MainWindowLayout.h"
#include "ui/ResultView.h"
#include "ui/SubtreeIndex.h"
#include "ui/ThemePalette.h"

namespace varnel::ui {

inline constexpr wchar_t MainWindowClassName[] = L"Varnel.MainWindow";

// Control identifiers of the main window.
enum ControlId : int {
    PathBoxId = 1001,
    ScanButtonId = 1002,
    CancelButtonId = 1003,
    FolderButtonId = 1004,
    TreeListId = 1005,
    LargestFilesListId = 1006,
    LargestFoldersListId = 1007,
    StatusBarId = 1008,
    OpenButtonId = 1009,
    OpenContextCommandId = 1010,
};

// Command identifiers of the menus.
enum CommandId : int {
    ExitCommandId = 1011,
    ScanSettingsCommandId = 1012,
    AboutCommandId = 1013,
    FirstRecentFolderCommandId = 1100,  // 1100 + position, 16 entries
    SystemLanguageCommandId = 1200,
    FirstLanguageCommandId = 1201,      // 1201 + catalog position
    FirstThemeCommandId = 1300,         // 1300 + catalog position
};

// The status bar: part 0 carries progress and summary, part 1 the notices
// that tell the user something did not happen (or did, out of sight).
enum StatusPart : int { StatusMainPart = 0, StatusNoticePart = 1 };

enum class StatusTextState : std::uint32_t { None = 0, Progress = 2, Summary = 3 };

// Everything the window needs from outside, so tests can point it at
// temporary folders and fake engines.
struct MainWindowOptions {
    app::SettingsStoreOptions settings;
    std::unique_ptr<app::ApplicationController> controller;  // the program's own when null
    std::unique_ptr<i18n::Localizer> localizer;              // the program's own when null
};

class MainWindow {
public:
    explicit MainWindow(HINSTANCE instance, MainWindowOptions options = {});
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    // Cancels and joins a running scan before anything else goes.
    ~MainWindow();

    // Registers the class (once per process) and creates the window with the
    // title for the current rights, placed on its monitor's work area.
    // Returns false when either fails.
    bool Create();
    HWND Handle() const noexcept { return window_; }

    // Run once after the window is shown: offers, or makes, a restart with
    // administrator rights. False when an elevated copy was started and this
    // instance must end (the window is already gone).
    bool DecideElevation();

    // Read access for tests and for the commands of the menus.
    const core::ScanResult& Result() const noexcept { return result_; }
    const ResultTree& Tree() const noexcept { return tree_; }
    const Rankings& CurrentRankings() const noexcept { return rankings_; }
    std::uint64_t SelectedNode() const noexcept { return selectedNode_; }
    const PaneSizes& Panes() const noexcept { return panes_; }
    UINT Dpi() const noexcept { return dpi_; }
    const ThemePalette& Palette() const noexcept { return palette_; }
    app::ApplicationController& Controller() noexcept { return *controller_; }
    const app::AppSettings& Settings() const noexcept { return settings_; }

    // The folder chosen with the Folder button, a recent folder or a drop:
    // it heads the recent folders and is selected in the path box. Never
    // starts a scan.
    void ChooseFolder(const std::wstring& folder);
    // The notice shown in the status bar, by its text key; empty when none.
    const std::string& NoticeKey() const noexcept { return noticeKey_; }
    void SelectTreeNode(std::uint64_t node);
    void ToggleExpand(std::size_t row);
    void ToggleSort();
    void OpenSelected();
    // Makes a theme the active one and repaints; saving it is the caller's.
    void ApplyThemeIdentifier(std::wstring identifier);

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
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
    LRESULT OnScanCompleted();
    LRESULT OnDropFiles(HDROP drop);
    LRESULT OnContextMenu(HWND source, int x, int y);

    // Menus and commands.
    void BuildMenuBar();
    void FillRecentMenu();
    void AddRecentFolder(const std::wstring& folder);
    void OpenRecentFolder(std::size_t position);
    void PickFolder();
    void ChangeLanguage(std::size_t commandOffset);
    void ChangeTheme(std::size_t position);
    void ShowScanSettings();
    void ShowAbout();
    void Retranslate();
    // Writes the settings file; on failure names the notice and returns false.
    bool SaveSettings();
    void ShowNotice(std::string key);
    void ClearNotice();

    // Tool row and layout.
    void CreateControls();
    void ApplyFonts();
    void RebuildFont();
    void Layout();
    ButtonWidths MeasureButtons() const;
    void SetIdleControls();
    void UpdateOpenButton();
    int Scale(int value) const { return ScaleForDpi(value, dpi_); }

    // Path box.
    void FillPathBox();
    void RefreshDrives();

    // Scans.
    void StartScan();
    void ShowProgressText();
    void ShowSummaryText();
    void SetStatusText(const std::wstring& text);

    // Result lists.
    void CreateColumns();
    void RenameColumns();
    void ResetColumnWidths();
    void RebuildTreeList();
    void ClearLists();
    void FillRankings(std::uint64_t folder);
    void FillRankingList(HWND list, const RankingRows& rows, bool files);
    std::wstring TreeCellText(std::uint64_t node, int column);
    std::wstring ShareText(double share);
    LRESULT OnTreeNotify(NMHDR& header);
    LRESULT OnRankingNotify(NMHDR& header);
    LRESULT OnListCustomDraw(NMLVCUSTOMDRAW& draw);
    void DrawTreeCell(NMLVCUSTOMDRAW& draw, std::size_t row);
    void DrawShareBarCell(HDC dc, RECT cell, double share, bool selected);
    bool IsRowSelected(HWND list, int row) const;
    RECT ExpanderBox(std::size_t row) const;
    HWND RankingListForOpen() const;
    std::uint64_t RankingNodeAt(HWND list, int row) const;

    HINSTANCE instance_;
    HWND window_ = nullptr;
    HWND pathBox_ = nullptr;
    HWND scanButton_ = nullptr;
    HWND cancelButton_ = nullptr;
    HWND folderButton_ = nullptr;
    HWND openButton_ = nullptr;
    HWND treeList_ = nullptr;
    HWND largestFilesList_ = nullptr;
    HWND largestFoldersList_ = nullptr;
    HWND statusBar_ = nullptr;
    HMENU menuBar_ = nullptr;
    HMENU recentMenu_ = nullptr;
    HICON largeIcon_ = nullptr;  // shared icons from the resources: not destroyed
    HICON smallIcon_ = nullptr;

    std::unique_ptr<app::ApplicationController> controller_;
    app::SettingsStore settingsStore_;
    app::AppSettings settings_;
    std::unique_ptr<i18n::Localizer> localizer_;
    std::wstring formattingLocale_ = L"system";

    UINT dpi_ = 96;
    platform::UniqueGdiObject ownFont_;  // null while the stock font is in use
    HFONT font_ = nullptr;               // ownFont_ or the stock font

    std::wstring themeId_ = L"MysticForest";
    ThemePalette palette_;

    core::ScanResult result_;
    SubtreeIndex subtreeIndex_;  // built once per result
    ResultTree tree_;
    Rankings rankings_;
    std::wstring chosenFolder_;
    std::uint64_t selectedNode_ = core::NoIndex;
    HWND lastRankingList_ = nullptr;
    StatusTextState statusState_ = StatusTextState::None;
    bool selectingTreeNode_ = false;  // our own selection changes are not user picks
    std::string noticeKey_;  // the notice in status part 1, re-translated on a language change

    int clientWidth_ = 0;
    int clientHeight_ = 0;
    PaneSizes panes_;
    MainLayout layout_;
    SplitterHit dragMode_ = SplitterHit::None;
};

}  // namespace varnel::ui
