#include "ui/window/MainWindow.h"

#include <dbt.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "i18n/LanguageCatalog.h"
#include "i18n/StatusText.h"
#include "platform/Administrator.h"
#include "ui/theme/GdiScope_win.h"
#include "ui/dialogs/ModalDialog_win.h"
#include "ui/lists/ListRedrawPause_win.h"
#include "ui/view/RowColours.h"
#include "ui/window/MenuBarTheme_win.h"
#include "ui/view/ScanProgressMeter.h"
#include "ui/theme/ThemeApply_win.h"
#include "ui/theme/ThemeCatalog.h"

namespace varnel::ui {

static_assert(app::ScanCompletedMessage == 0x8000 + 1, "MainWindowIds.h keeps WM_APP + 1 for the scan session");
namespace {

constexpr int ApplicationIconId = 101;

// Minimum button widths at 96 DPI; text padding is not scaled.
constexpr int FolderButtonMinWidth = 112;
constexpr int ButtonMinWidth = 90;
constexpr int ButtonTextPadding = 34;

HICON LoadApplicationIcon(HINSTANCE instance, int size) {
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(ApplicationIconId), IMAGE_ICON, size, size,
                                           LR_DEFAULTCOLOR | LR_SHARED));
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, MainWindowOptions options)
    : instance_(instance),
      scanSession_(options.scanSession ? std::move(options.scanSession) : std::make_unique<app::ScanSession>()),
      settingsStore_(options.settings),
      localizer_(options.localizer ? std::move(options.localizer) : std::make_unique<i18n::Localizer>()),
      palette_(LookUpTheme(themeId_)),
      lists_(*localizer_, {[this] { UpdateOpenButton(); FollowListSelection(); FollowGrowth(false); },
                           [this](std::string key) { status_.ShowNotice(std::move(key)); },
                           [this] { ResumeComparison(); FollowGrowth(true); ShowSummaryText(); ShowResultInPanes(); search_.ResultChanged(); },
                           [this] { StopExportBeforeResultChanges(); ClearPanes(); },
                           [this](std::uint64_t folder) { RescanFolder(folder); }}),
      status_(*localizer_),
      treemap_({[this](std::uint64_t node) { OnTreemapPicked(node); },
                [this](std::uint64_t node, POINT at) { lists_.ShowContextMenuFor(node, at, window_); },
                [this] { typesCurrent_ = true; FollowListSelection(); }}),
      fileTypes_(*localizer_, {[this](std::uint32_t extension) { treemap_.SetHighlight(extension); },
                               [this](std::uint64_t node) { treemap_.SetSelection(node); },
                               [this](std::uint64_t node, POINT at) { lists_.ShowContextMenuFor(node, at, window_); }}),
      growth_(*localizer_, {[this](std::uint64_t node, POINT at) { lists_.ShowContextMenuFor(node, at, window_); },
                            [this](std::uint64_t node) { lists_.ShowInTree(node); },
                            [this](std::uint64_t node, UINT key) { lists_.RunKeyFor(node, key, window_); }}) {
    settings_.maxThreadsPerDrive = settingsStore_.HardwareThreads();
    if (options.shell) {
        lists_.SetShellActions(std::move(options.shell));
    }
    driveSpace_ = std::move(options.driveSpace);
    pickFolder_ = std::move(options.pickFolder);
    if (!driveSpace_) {
        driveSpace_ = &platform::ReadDiskSpace;
    }
    localizer_->SetLanguage(L"system");
}

MainWindow::~MainWindow() {
    // The window goes first, while the scan session it talks to still exists
    // (its destroy handler cancels a running scan); then the session joins
    // the scan thread, whose completion message no longer finds a window.
    if (window_ != nullptr && ::IsWindow(window_)) {
        ::DestroyWindow(window_);
    }
    scanSession_.reset();
}

bool MainWindow::Create() {
    largeIcon_ = LoadApplicationIcon(instance_, 32);
    smallIcon_ = LoadApplicationIcon(instance_, 16);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &MainWindow::WindowProcedure;
    windowClass.hInstance = instance_;
    windowClass.hIcon = largeIcon_;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = MainWindowClassName;
    windowClass.hIconSm = smallIcon_;
    // Tests create several windows in one process; the class stays registered.
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return false;
    }

    const wchar_t* title = platform::IsRunningAsAdministrator() ? L"Varnel [Administrator]" : L"Varnel";
    // Created small and then sized for the DPI of the monitor it landed on:
    // the DPI is known only once the window exists.
    const HWND created = ::CreateWindowExW(0, MainWindowClassName, title, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                           CW_USEDEFAULT, CW_USEDEFAULT, 1280, 720, nullptr, nullptr, instance_, this);
    if (created == nullptr) {
        return false;
    }
    static constexpr ACCEL Keys[] = {
        {FVIRTKEY, VK_F5, ScanButtonId},
        {FVIRTKEY, VK_ESCAPE, CancelButtonId},
        {FVIRTKEY | FCONTROL, 'O', FolderButtonId},
        {FVIRTKEY | FSHIFT, VK_F10, ContextMenuKeyCommandId},
        {FVIRTKEY, VK_APPS, ContextMenuKeyCommandId},
        {FVIRTKEY | FCONTROL, 'R', RescanCommandId},
        {FVIRTKEY | FCONTROL, 'F', FindCommandId},
    };
    accelerators_.reset(::CreateAcceleratorTableW(const_cast<ACCEL*>(Keys), static_cast<int>(std::size(Keys))));

    RECT windowRect;
    if (::GetWindowRect(window_, &windowRect)) {
        RECT work{};
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        const HMONITOR nearest = ::MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST);
        if (nearest != nullptr && ::GetMonitorInfoW(nearest, &monitor)) {
            work = monitor.rcWork;
        }
        if (work.left == 0 && work.top == 0 && work.right == 0 && work.bottom == 0) {
            ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        }
        const LayoutRect placed =
            InitialPlacement({work.left, work.top, work.right - work.left, work.bottom - work.top}, dpi_);
        ::SetWindowPos(window_, nullptr, placed.x, placed.y, placed.width, placed.height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    baseTitle_ = title;
    RestorePlacement();
    return true;
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: return OnCreate();
        case WM_DESTROY: return OnDestroy();
        case WM_SIZE: return OnSize(LOWORD(lParam), HIWORD(lParam));
        case WM_PAINT: return OnPaint();
        case WM_ERASEBKGND: return 1;
        case WM_SETCURSOR: return OnSetCursor(wParam, lParam);
        case WM_NOTIFY: return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
        case WM_COMMAND: return OnCommand(LOWORD(wParam));
        case WM_TIMER: return OnTimer(wParam);
        case WM_MOUSEMOVE: return OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        case WM_LBUTTONDOWN: return OnLeftButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        case WM_LBUTTONUP: return OnLeftButtonUp();
        case WM_DEVICECHANGE: return OnDeviceChange(wParam);
        case WM_DPICHANGED: return OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        case WM_DROPFILES: return OnDropFiles(reinterpret_cast<HDROP>(wParam));
        case WM_CONTEXTMENU: return OnContextMenu(reinterpret_cast<HWND>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        case QueryThemePaletteMessage: return reinterpret_cast<LRESULT>(&palette_);
        // High contrast switched on or off, or its colours changed.
        case WM_SYSCOLORCHANGE:
        case WM_THEMECHANGED: ApplyThemeIdentifier(themeId_); return 0;
        case WM_MEASUREITEM: return OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        case WM_DRAWITEM: return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_GETMINMAXINFO: return OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
        case WM_NCPAINT:
        case WM_NCACTIVATE: {
            const LRESULT result = ::DefWindowProcW(window_, message, wParam, lParam);
            if (palette_.isDark && !palette_.highContrast) PaintMenuBarRest(window_, menuBarBrush_.get());
            return result;
        }
        case WM_CTLCOLORSTATIC: return OnStaticColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        // The keyboard comes back to where it was when the window is
        // activated again; at the start, to the path box.
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) focusBeforeDeactivation_ = ::GetFocus();
            return ::DefWindowProcW(window_, message, wParam, lParam);
        case WM_SETFOCUS: RestoreFocus(); return 0;
        case app::ScanCompletedMessage: return wParam == scanSession_->CurrentScanId() ? OnScanCompleted() : 0;
        case ExportDoneMessage: return OnExportDone(wParam);
        case SavedScanDoneMessage: return OnSavedScanDone(wParam);
        case SnapshotKeptMessage: return OnSnapshotKept(wParam);
        case ComparisonDoneMessage: return OnComparisonDone(wParam);
        case CoalescedScanCommandMessage: return OnCoalescedScanCommand();
        default: return ::DefWindowProcW(window_, message, wParam, lParam);
    }
}

LRESULT MainWindow::OnCreate() {
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_));
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    const UINT windowDpi = ::GetDpiForWindow(window_);
    dpi_ = windowDpi == 0 ? 96 : windowDpi;
    RebuildFont();

    const app::SettingsLoadReport loaded = settingsStore_.LoadWithReport();
    settings_ = loaded.settings;
    localizer_->SetLanguage(settings_.language);
    formattingLocale_ = i18n::NormalizeLanguageSetting(settings_.language);
    themeId_ = settings_.theme;
    palette_ = PaletteForSystem(themeId_);
    app::ScanOptions options = scanSession_->GetScanOptions();
    options.threadsPerDrive = settings_.threadsPerDrive;
    scanSession_->SetScanOptions(options);

    BuildMenuBar();
    ::DragAcceptFiles(window_, TRUE);
    // A window without its Scan button or its lists is no use; creation
    // fails instead (the program then ends with exit code 1).
    if (!CreateControls()) {
        return -1;
    }
    RestoreListsAndFolder();
    if (loaded.damaged) {
        status_.ShowNotice(loaded.keptCopyPath.empty() ? "status.settings_unreadable" : "status.settings_kept");
    }
    SetIdleControls();
    // A window created at the size it is then placed at gets no WM_SIZE
    // before it is shown; lay out now so nothing depends on that.
    RECT client{};
    ::GetClientRect(window_, &client);
    OnSize(client.right - client.left, client.bottom - client.top);
    return 0;
}

bool MainWindow::CreateControls() {
    const auto child = [&](const wchar_t* className, const std::wstring& text, DWORD style, int width, int height,
                           int id) {
        return ::CreateWindowExW(0, className, text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 0, 0, width,
                                 height, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    };
    // Created in the order Tab visits them.
    pathBox_ = child(WC_COMBOBOXW, L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL,
                     220, 200, PathBoxId);
    folderButton_ = child(WC_BUTTONW, localizer_->Translate("toolbar.folder"), BS_PUSHBUTTON, 100, 28, FolderButtonId);
    scanButton_ = child(WC_BUTTONW, localizer_->Translate("toolbar.scan"), BS_PUSHBUTTON, 90, 28, ScanButtonId);
    cancelButton_ = child(WC_BUTTONW, localizer_->Translate("toolbar.cancel"), BS_PUSHBUTTON, 90, 28, CancelButtonId);
    openButton_ = child(WC_BUTTONW, localizer_->Translate("toolbar.open"), BS_PUSHBUTTON, 90, 28, OpenButtonId);
    lists_.SetDpi(dpi_);
    lists_.SetPalette(palette_);
    lists_.SetFormattingLocale(formattingLocale_);
    growth_.SetDpi(dpi_);
    growth_.SetFormattingLocale(formattingLocale_);
    if (pathBox_ == nullptr || folderButton_ == nullptr || scanButton_ == nullptr || cancelButton_ == nullptr ||
        openButton_ == nullptr || !lists_.Create(window_, instance_, TreeListId, LargestFilesListId, LargestFoldersListId) ||
        !CreatePanes() || !growth_.Create(window_, instance_, GrewMostListId) ||
        !status_.Create(window_, instance_, StatusBarId) ||
        !progressBar_.Create(status_.Handle(), window_, instance_)) {
        return false;
    }
    ApplyFonts();
    SetPathBoxItemHeight();
    ApplyPalette();
    lists_.ResetColumnWidths();
    CreatePathTip();
    FillPathBox();
    return true;
}

void MainWindow::ApplyPalette() {
    lists_.SetPalette(palette_);
    status_.SetPalette(palette_);
    treemap_.SetPalette(palette_);
    fileTypes_.SetPalette(palette_);
    growth_.SetPalette(palette_);
    search_.SetPalette(palette_);
    const auto lists = lists_.Handles();
    const HWND darkened[] = {lists[0], lists[1], lists[2], growth_.Handle()};
    ApplySystemDarkMode(window_, darkened, static_cast<int>(std::size(darkened)), palette_.isDark && !palette_.highContrast);
    menuBarBrush_.reset(::CreateSolidBrush(palette_.panelBackground));
    ThemeMenuBar(window_, palette_, menuBarBrush_.get());
    ApplyTheme(window_, lists_.Handles(), status_.Handle(), palette_);
}

LRESULT MainWindow::OnDestroy() {
    RememberWindow();
    ::KillTimer(window_, ProgressTimerId);
    scanSession_->Cancel();
    ::PostQuitMessage(0);
    return 0;
}

LRESULT MainWindow::OnSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
    Layout();
    return 0;
}

LRESULT MainWindow::OnPaint() {
    PaintDc paint(window_);
    RECT client;
    ::GetClientRect(window_, &client);
    const auto fill = [&](const RECT& rect, std::uint32_t colour) {
        const UniqueBrush brush(::CreateSolidBrush(colour));
        ::FillRect(paint.get(), &rect, brush.get());
    };
    fill(client, palette_.windowBackground);
    const int half = Scale(6) / 2;
    for (const LayoutRect& splitter :
         {layout_.verticalSplitter, layout_.horizontalSplitter, layout_.bandSplitter, layout_.treemapSplitter}) {
        const RECT area{splitter.x, splitter.y, splitter.x + splitter.width, splitter.y + splitter.height};
        fill(area, palette_.splitter);
        const bool vertical = splitter.height > splitter.width;
        const RECT line = vertical ? RECT{area.left + half, area.top, area.left + half + 1, area.bottom}
                                   : RECT{area.left, area.top + half, area.right, area.top + half + 1};
        fill(line, palette_.splitterLine);
    }
    return 0;
}

LRESULT MainWindow::OnSetCursor(WPARAM wParam, LPARAM lParam) {
    SplitterHit hit = dragMode_;
    if (hit == SplitterHit::None) {
        POINT cursor;
        ::GetCursorPos(&cursor);
        ::ScreenToClient(window_, &cursor);
        hit = MainWindowLayout::HitTest(layout_, cursor.x, cursor.y);
    }
    if (hit == SplitterHit::None) {
        return ::DefWindowProcW(window_, WM_SETCURSOR, wParam, lParam);
    }
    ::SetCursor(::LoadCursorW(nullptr, hit == SplitterHit::Vertical || hit == SplitterHit::Treemap ? IDC_SIZEWE : IDC_SIZENS));
    return TRUE;
}

LRESULT MainWindow::OnMouseMove(int x, int y) {
    switch (dragMode_) {
        case SplitterHit::Vertical:
            MainWindowLayout::DragVertical(x, clientWidth_, dpi_, panes_);
            Layout();
            break;
        case SplitterHit::Horizontal:
            MainWindowLayout::DragHorizontal(y, clientHeight_, dpi_, panes_);
            Layout();
            break;
        case SplitterHit::Band:
            MainWindowLayout::DragBand(y, clientHeight_, dpi_, panes_);
            Layout();
            break;
        case SplitterHit::Treemap:
            MainWindowLayout::DragTreemap(x, clientWidth_, dpi_, panes_);
            Layout();
            break;
        case SplitterHit::None: {
            const SplitterHit hit = MainWindowLayout::HitTest(layout_, x, y);
            if (hit != SplitterHit::None) {
                ::SetCursor(::LoadCursorW(nullptr, hit == SplitterHit::Vertical || hit == SplitterHit::Treemap ? IDC_SIZEWE : IDC_SIZENS));
            }
            break;
        }
    }
    return 0;
}

LRESULT MainWindow::OnLeftButtonDown(int x, int y) {
    const SplitterHit hit = MainWindowLayout::HitTest(layout_, x, y);
    if (hit != SplitterHit::None) {
        dragMode_ = hit;
        ::SetCapture(window_);
        ::SetCursor(::LoadCursorW(nullptr, hit == SplitterHit::Vertical || hit == SplitterHit::Treemap ? IDC_SIZEWE : IDC_SIZENS));
    }
    return 0;
}

LRESULT MainWindow::OnLeftButtonUp() {
    if (dragMode_ != SplitterHit::None) {
        dragMode_ = SplitterHit::None;
        ::ReleaseCapture();
    }
    return 0;
}

LRESULT MainWindow::OnTimer(UINT_PTR timer) {
    if (timer == ProgressTimerId && scanSession_->IsScanning()) {
        ShowProgressText();
    }
    if (timer == ExportTimerId) {
        ShowExportProgress();
    }
    return 0;
}

LRESULT MainWindow::OnCommand(int id) {
    switch (id) {
        // Enter, as the dialog navigation hands it on: in the path box it scans.
        case IDOK: if (PathBoxHasFocus()) CoalesceScanCommand(ScanButtonId); return 0;
        case ScanButtonId:
        case CancelButtonId:
        case IDCANCEL: CoalesceScanCommand(id); return 0;
        case ContextMenuKeyCommandId: return OnContextMenuKey();
        case FolderButtonId: PickFolder(); return 0;
        case OpenButtonId:
        case OpenContextCommandId: OpenSelected(); return 0;
        case ExitCommandId: ::SendMessageW(window_, WM_CLOSE, 0, 0); return 0;
        case ScanSettingsCommandId: ShowScanSettings(); return 0;
        case AboutCommandId: ShowAbout(); return 0;
        case ExportCommandId: ExportWithDialog(); return 0;
        case SizeOnDiskCommandId: ToggleSizeOnDisk(); return 0;
        case ViewTreemapCommandId: TogglePane(true); return 0;
        case ViewFileTypesCommandId: TogglePane(false); return 0;
        case SaveScanCommandId: SaveScanWithDialog(); return 0;
        case OpenScanCommandId: OpenScanWithDialog(); return 0;
        case KeepSnapshotsCommandId: ToggleKeepSnapshots(); return 0;
        case RescanCommandId: RescanFolder(lists_.SelectedNode()); return 0;
        case FindCommandId: search_.Show(window_, instance_, font_, formattingLocale_); return 0;
        case ExplorerEntryCommandId: ToggleExplorerEntry(); return 0;
        case CompareNoneCommandId: CompareWith(comparisons_.size()); return 0;
        case CopyGoneFoldersCommandId: CopyGoneFolders(); return 0;
        default: break;
    }
    if (id >= FirstComparisonCommandId && id < FirstComparisonCommandId + MaxComparisons) {
        CompareWith(static_cast<std::size_t>(id - FirstComparisonCommandId));
        return 0;
    }
    if (id >= FirstRecentFolderCommandId && id < FirstRecentFolderCommandId + 16) {
        OpenRecentFolder(static_cast<std::size_t>(id - FirstRecentFolderCommandId));
    } else if (id >= SystemLanguageCommandId && id < FirstThemeCommandId) {
        ChangeLanguage(static_cast<std::size_t>(id - SystemLanguageCommandId));
    } else if (id >= FirstThemeCommandId && id < FirstThemeCommandId + 100) {
        ChangeTheme(static_cast<std::size_t>(id - FirstThemeCommandId));
    }
    return 0;
}

LRESULT MainWindow::OnNotify(NMHDR& header) {
    if (header.hwndFrom == pathTip_ && header.code == TTN_GETDISPINFOW) {
        return OnPathTipText(reinterpret_cast<NMTTDISPINFOW&>(header));
    }
    if (header.code == NM_CUSTOMDRAW && (header.hwndFrom == folderButton_ || header.hwndFrom == scanButton_ ||
                                         header.hwndFrom == cancelButton_ || header.hwndFrom == openButton_)) {
        return DrawButtonCustom(reinterpret_cast<const NMCUSTOMDRAW&>(header), palette_, dpi_);
    }
    if (const auto handled = growth_.OnNotify(header)) {
        return *handled;
    }
    return lists_.OnNotify(header).value_or(0);
}

LRESULT MainWindow::OnDeviceChange(WPARAM event) {
    if (event == DBT_DEVICEARRIVAL || event == DBT_DEVICEREMOVECOMPLETE) {
        RefreshDrives();
    }
    return TRUE;
}

LRESULT MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    const UINT oldDpi = dpi_;
    dpi_ = dpi == 0 ? 96 : dpi;
    MainWindowLayout::RescaleForDpi(oldDpi, dpi_, panes_);
    // The user's column widths, not the defaults, follow the window over.
    const std::vector<int> columnWidths = lists_.ColumnWidthsAt96();
    lists_.SetDpi(dpi_);
    growth_.SetDpi(dpi_);
    treemap_.SetDpi(dpi_);
    fileTypes_.SetDpi(dpi_);
    ::SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RebuildFont();
    SetPathBoxItemHeight();
    ApplyPalette();
    lists_.ResetColumnWidths();
    lists_.ApplyColumnWidthsAt96(columnWidths);
    growth_.Retranslate();  // its columns at the new DPI
    Layout();
    return 0;
}

LRESULT MainWindow::OnStaticColour(HDC dc, HWND control) {
    const auto titles = lists_.TitleHandles();
    if (control != titles[0] && control != titles[1]) {
        return ::DefWindowProcW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    }
    ::SetTextColor(dc, ReadableOn(palette_.windowBackground, palette_.listText));
    ::SetBkColor(dc, palette_.windowBackground);
    ::SetDCBrushColor(dc, palette_.windowBackground);
    return reinterpret_cast<LRESULT>(::GetStockObject(DC_BRUSH));
}

void MainWindow::RestoreFocus() {
    const HWND before = focusBeforeDeactivation_;
    const bool usable = before != nullptr && ::IsChild(window_, before) && ::IsWindowEnabled(before) &&
                        ::IsWindowVisible(before);
    ::SetFocus(usable ? before : pathBox_);
}

LRESULT MainWindow::OnGetMinMaxInfo(MINMAXINFO& limits) {
    if (pathBox_ == nullptr) {
        return 0;
    }
    // Below this size a button or a pane would leave the window.
    const LayoutSize client =
        MainWindowLayout::MinimumClientSize(dpi_, MeasureButtons(), panes_.showTreemap || panes_.showFileTypes);
    RECT frame{0, 0, client.width, client.height};
    ::AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_STYLE)), TRUE,
                               static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_EXSTYLE)), dpi_);
    limits.ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
    return 0;
}

bool MainWindow::TranslateKeyboard(MSG& message) {
    if (window_ == nullptr || (message.hwnd != window_ && !::IsChild(window_, message.hwnd))) {
        return false;
    }
    if (search_.TranslateKeyboard(message)) {
        return true;
    }
    if (accelerators_ && ::TranslateAcceleratorW(window_, accelerators_.get(), &message)) {
        return true;
    }
    return ::IsDialogMessageW(window_, &message) != FALSE;
}

void MainWindow::RebuildFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    bool haveMetrics = ::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi_) != 0;
    if (!haveMetrics) {
        haveMetrics = ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) != 0;
    }
    HFONT created = nullptr;
    if (haveMetrics) {
        metrics.lfMessageFont.lfCharSet = DEFAULT_CHARSET;
        created = ::CreateFontIndirectW(&metrics.lfMessageFont);
    }
    // The controls still use the old font: it may go only once they have
    // been handed the new one, at the end of this scope.
    UniqueFont previous = std::move(ownFont_);
    ownFont_.reset(created);
    font_ = created != nullptr ? created : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    ApplyFonts();
}

void MainWindow::ApplyFonts() {
    const auto setFont = [](HWND child, LPARAM font) -> BOOL {
        ::SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
        return TRUE;
    };
    ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    ::EnumChildWindows(window_, setFont, reinterpret_cast<LPARAM>(font_));

}

ButtonWidths MainWindow::MeasureButtons() const {
    const auto measure = [&](HWND button, int minimum) {
        return std::max(TextWidthInControl(button, WindowText(button), true) + ButtonTextPadding, Scale(minimum));
    };
    return {measure(folderButton_, FolderButtonMinWidth), measure(scanButton_, ButtonMinWidth),
            measure(cancelButton_, ButtonMinWidth), measure(openButton_, ButtonMinWidth)};
}

void MainWindow::Layout() {
    if (pathBox_ == nullptr) {
        return;
    }
    layout_ = MainWindowLayout::Compute(clientWidth_, clientHeight_, dpi_, MeasureButtons(), panes_);
    const auto place = [](HWND control, const LayoutRect& r, int height) {
        ::MoveWindow(control, r.x, r.y, r.width, height, FALSE);
    };
    place(pathBox_, layout_.pathBox, layout_.pathBoxDropHeight);
    place(folderButton_, layout_.folder, layout_.folder.height);
    place(scanButton_, layout_.scan, layout_.scan.height);
    place(cancelButton_, layout_.cancel, layout_.cancel.height);
    place(openButton_, layout_.open, layout_.open.height);
    const auto lists = lists_.Handles();
    {
        // Each list lays itself out once, when it is drawn again, not at
        // every step of its move: the scroll bars it shows and hides on the
        // way resize it and fit its columns again, which under Wine kept the
        // window busy for a hundred milliseconds.
        const ListRedrawPause paused(lists);
        place(lists[0], layout_.tree, layout_.tree.height);
        for (const auto& [index, r] : {std::pair{1, layout_.largestFiles}, std::pair{2, layout_.largestFolders}}) {
            lists_.PlaceRanking(index, r.x, r.y, r.width, r.height);
        }
    }
    place(growth_.Handle(), layout_.grewMost, layout_.grewMost.height);
    PlacePanes();
    status_.Layout(clientWidth_, dpi_);
    RECT mainPart{};
    ::SendMessageW(status_.Handle(), SB_GETRECT, StatusMainPart, reinterpret_cast<LPARAM>(&mainPart));
    progressBar_.Place(mainPart, std::min<int>(Scale(160), (mainPart.right - mainPart.left) / 3));
    ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void MainWindow::SetIdleControls() {
    ::EnableWindow(pathBox_, TRUE);
    ::EnableWindow(scanButton_, TRUE);
    ::EnableWindow(folderButton_, TRUE);
    ::EnableWindow(cancelButton_, FALSE);
    UpdateOpenButton();
}

void MainWindow::UpdateOpenButton() {
    if (openButton_ != nullptr) {
        ::EnableWindow(openButton_, lists_.CanOpen() && !scanSession_->IsScanning());
    }
}

void MainWindow::ApplyThemeIdentifier(std::wstring identifier) {
    themeId_ = std::move(identifier);
    palette_ = PaletteForSystem(themeId_);
    ApplyPalette();
}

void MainWindow::ChooseFolder(const std::wstring& folder) {
    if (folder.empty()) {
        return;
    }
    chosenFolder_ = folder;
    AddRecentFolder(folder);
    FillPathBox();
    ::SendMessageW(pathBox_, CB_SETCURSEL, 1, 0);
}

void MainWindow::StartScan() {
    // A second start while a scan runs would clear the lists of a result
    // that is still on its way.
    if (scanSession_->IsScanning()) {
        return;
    }
    std::vector<std::wstring> roots;
    std::wstring displayName;
    if (!RootsToScan(roots, displayName)) {
        return;
    }
    StartScanOf(std::move(roots), std::move(displayName));
}

void MainWindow::StartScanOf(std::vector<std::wstring> roots, std::wstring displayName) {
    // The shown result is let go below, so an export still reading it stops first.
    StopExportBeforeResultChanges();
    status_.SetMainText(StatusTextState::None, L"");
    status_.ClearNotice();
    // Focus leaves the controls about to be disabled, or the keyboard
    // would be left on nothing.
    ::SetFocus(cancelButton_);
    for (HWND control : {pathBox_, scanButton_, folderButton_, openButton_}) {
        ::EnableWindow(control, FALSE);
    }
    ::EnableWindow(cancelButton_, TRUE);
    ClearPanes();
    lists_.Clear();
    comparisons_.clear();
    CompareWith(0);  // none: nothing to compare with until the result is in
    driveFigures_.reset();

    ::SetWindowTextW(window_, baseTitle_.c_str());

    scanSession_->StartScanPaths(roots, std::move(displayName), window_);
    scanStart_ = std::chrono::steady_clock::now();
    expectedScanBytes_ = ExpectedScanBytes(roots, scanSession_->Drives());

    if (!scanSession_->IsScanning()) {
        SetIdleControls();
        ::SetFocus(scanButton_);
        status_.SetMainText(StatusTextState::None, L"");
        return;
    }
    ShowProgressText();
    if (::SetTimer(window_, ProgressTimerId, app::ProgressTimerPeriodMs, nullptr) == 0) {
        // The figures then stay at their start until the scan's end, which
        // is posted on its own; the bar at least says that it runs.
        progressBar_.Show(std::nullopt);
    }
}

LRESULT MainWindow::OnScanCompleted() {
    if (!rescanPath_.empty()) {
        return OnRescanCompleted();
    }
    ::KillTimer(window_, ProgressTimerId);
    const bool hadFocus = ::GetFocus() == cancelButton_;
    StopExportBeforeResultChanges();
    ClearPanes();
    lists_.ShowResult(scanSession_->TakeResult());
    ShowResultInPanes();
    driveFigures_ = ReadDriveFigures();
    progressBar_.Hide();
    ShowResultInTitle();
    SetIdleControls();
    if (hadFocus) {
        ::SetFocus(lists_.TreeList());
    }
    ShowSummaryText();
    KeepSnapshotOfResult();
    // The summary reads "completed" even for a scan that could not run at
    // all, or that left out drives; the notice says what went wrong.
    const std::wstring notice = app::ScanFailureNotice(
        lists_.Result(), [this](std::string_view key) { return localizer_->Translate(key); });
    if (!notice.empty()) {
        status_.ShowNoticeText(notice);
    }
    search_.ResultChanged();
    return 0;
}

void MainWindow::CancelScan() {
    export_.Cancel();
    scanSession_->Cancel();
}

void MainWindow::ShowProgressText() {
    const core::ScanProgress progress = scanSession_->ReadProgress();
    const std::optional<int> percent = RunningScanPercent(progress, expectedScanBytes_);
    const auto elapsed = std::chrono::steady_clock::now() - scanStart_;
    status_.SetMainText(StatusTextState::Progress,
                        i18n::ScanProgressText(*localizer_, formattingLocale_, progress,
                                               std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(),
                                               percent));
    if (scanSession_->IsScanning()) {
        progressBar_.Show(percent);
    }
}

void MainWindow::ShowSummaryText() {
    status_.SetMainText(StatusTextState::Summary,
                        i18n::ScanSummaryText(*localizer_, formattingLocale_, lists_.Result(), driveFigures_) +
                            (lists_.Change().Active() ? L" \u00B7 " + ChangeSummaryText() : std::wstring()));
}

std::optional<i18n::DriveFigures> MainWindow::ReadDriveFigures() const {
    const core::ScanResult& result = lists_.Result();
    if (result.status != core::ScanStatus::Completed || result.rootIndex >= result.nodes.size()) {
        return std::nullopt;  // what a cancelled scan left unlisted is no news
    }
    const auto& drives = scanSession_->Drives();
    const bool driveRoot = std::any_of(drives.begin(), drives.end(), [&](const platform::DriveInfo& drive) {
        return ::CompareStringOrdinal(drive.rootPath.c_str(), -1, result.rootPath.c_str(), -1, TRUE) == CSTR_EQUAL;
    });
    const std::optional<platform::DriveQueries::Space> space =
        driveRoot ? driveSpace_(result.rootPath) : std::nullopt;
    if (!space || space->totalBytes == 0) {
        return std::nullopt;
    }
    return i18n::DriveFigures{space->totalBytes - std::min(space->freeBytes, space->totalBytes), space->freeBytes};
}

}  // namespace varnel::ui
