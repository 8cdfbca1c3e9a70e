// The menus of the main window and the commands behind them: recent folders,
// the folder picker, dropped folders, languages, themes, the context menu of
// the rankings, and the notices that report what did or did not happen.

#include "ui/window/MainWindow.h"
#include "ui/window/MenuBarTheme_win.h"
#include "ui/view/MenuBar.h"
#include "ui/window/MenuBar_win.h"

#include <shobjidl.h>

#include <algorithm>
#include <string>
#include <utility>

#include "i18n/LanguageCatalog.h"
#include "platform/ComOwners_win.h"
#include "platform/ExplorerEntry_win.h"
#include "platform/ProgramFolder.h"
#include "ui/view/RecentFolders.h"
#include "ui/theme/ThemeCatalog.h"

namespace varnel::ui {
namespace {

bool IsExistingDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The shell's folder picker; empty on cancel or any failure.
std::wstring PickFolderWithShell(HWND owner, const std::wstring& title, const std::wstring& initialFolder) {
    const platform::ComApartment apartment;
    if (!apartment.usable()) {
        return {};
    }
    std::wstring picked;
    {
        platform::ComPtr<IFileOpenDialog> dialog;
        if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                      dialog.put_void()))) {
            return {};
        }
        FILEOPENDIALOGOPTIONS options = 0;
        dialog->GetOptions(&options);
        dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
        dialog->SetTitle(title.c_str());
        if (!initialFolder.empty()) {
            platform::ComPtr<IShellItem> folder;
            if (SUCCEEDED(::SHCreateItemFromParsingName(initialFolder.c_str(), nullptr, IID_IShellItem,
                                                        folder.put_void()))) {
                dialog->SetFolder(folder.get());
            }
        }
        if (FAILED(dialog->Show(owner))) {
            return {};
        }
        platform::ComPtr<IShellItem> result;
        platform::UniqueTaskString path;
        if (SUCCEEDED(dialog->GetResult(result.put())) &&
            SUCCEEDED(result->GetDisplayName(SIGDN_FILESYSPATH, path.put())) && path.get() != nullptr) {
            picked = path.get();
        }
    }
    return picked;
}

}  // namespace

void MainWindow::BuildMenuBar() {
    MenuBarContent content;
    content.translate = [this](std::string_view key) { return localizer_->Translate(key); };
    content.theme = settings_.theme;
    const std::wstring language = i18n::NormalizeLanguageSetting(settings_.language);
    content.language = language;
    content.systemLanguageLabel = localizer_->LanguageSystemLabel();
    content.recentFolders = &settings_.recentFolders;
    content.sizeOnDisk = settings_.window.showSizeOnDisk;
    content.keepSnapshots = settings_.keepSnapshots;
    content.showTreemap = settings_.window.showTreemap;
    content.showFileTypes = settings_.window.showFileTypes;
    content.explorerEntry = platform::IsExplorerEntryInstalled(platform::ProgramFilePath());
    for (const app::StoredSnapshot& stored : comparisons_) {
        content.comparisons.push_back(SnapshotDateText(stored.takenAt));
    }
    content.compared = compared_;
    content.anythingGone = lists_.Change().GoneSince(lists_.Measure()).folders > 0;
    MenuBarHandles menus = CreateMenuBar(BuildMenuBarModel(content));
    if (!menus.bar) {
        return;  // the old menus stay, in the old language
    }
    // The window owns the bar it shows; the one it showed until now is ours
    // again once replaced, and goes with all its submenus.
    const HMENU shown = ::GetMenu(window_);
    if (!::SetMenu(window_, menus.bar.get())) {
        return;
    }
    menus.bar.release();
    platform::UniqueMenu previous(shown);
    recentMenu_ = menus.recent;
    ThemeMenuBar(window_, palette_, menuBarBrush_.get());
}

void MainWindow::FillRecentMenu() {
    if (recentMenu_ == nullptr) {
        return;
    }
    RefillMenu(recentMenu_, RecentFolderEntries(settings_.recentFolders, localizer_->Translate("menu.none")));
    ::DrawMenuBar(window_);
}

bool MainWindow::SaveSettingsWith(const std::function<void(app::AppSettings&)>& change) {
    app::AppSettings changed = settings_;
    change(changed);
    if (!settingsStore_.Save(changed) && !settingsStore_.OnHold()) {
        status_.ShowNotice("status.save_failed");
        return false;
    }
    settings_ = std::move(changed);
    ShowSettingsHold();
    return true;
}

bool MainWindow::SaveSettings() {
    if (settingsStore_.Save(settings_) || settingsStore_.OnHold()) {
        ShowSettingsHold();
        return true;
    }
    status_.ShowNotice("status.save_failed");
    return false;
}

// A settings file that can be neither read nor kept aside is never
// replaced: changes hold for this session only, and the window says why.
void MainWindow::ShowSettingsHold() {
    if (settingsStore_.OnHold()) {
        status_.ShowNotice("status.settings_unreadable");
    }
}

void MainWindow::AddRecentFolder(const std::wstring& folder) {
    if (!ui::AddRecentFolder(settings_.recentFolders, folder, IsSameFolder)) {
        return;
    }
    SaveSettings();
    FillRecentMenu();
}

void MainWindow::OpenRecentFolder(std::size_t position) {
    auto& recent = settings_.recentFolders;
    if (position >= recent.size()) {
        return;
    }
    const std::wstring folder = recent[position];
    if (IsExistingDirectory(folder)) {
        ChooseAndScan(folder);
        return;
    }
    recent.erase(recent.begin() + static_cast<std::ptrdiff_t>(position));
    // Named before saving: a failed save replaces it with its own notice.
    status_.ShowNotice("status.recent_missing");
    SaveSettings();
    FillRecentMenu();
}

void MainWindow::PickFolder() {
    std::wstring initial;
    if (IsExistingDirectory(chosenFolder_)) {
        initial = chosenFolder_;
    } else {
        const auto& recent = settings_.recentFolders;
        const auto existing = std::find_if(recent.begin(), recent.end(), IsExistingDirectory);
        if (existing != recent.end()) {
            initial = *existing;
        }
    }
    const auto pick = pickFolder_ ? pickFolder_ : PickFolderWithShell;
    const std::wstring picked = pick(window_, localizer_->Translate("dialog.folder.title"), initial);
    if (!picked.empty()) {
        ChooseAndScan(picked);
    }
}

LRESULT MainWindow::OnDropFiles(HDROP drop) {
    std::wstring folder;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count && folder.empty(); ++i) {
        const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        path.resize(::DragQueryFileW(drop, i, path.data(), length + 1));
        if (IsExistingDirectory(path)) {
            folder = path;
        }
    }
    ::DragFinish(drop);
    if (folder.empty()) {
        status_.ShowNotice("status.drop_folder");
        return 0;
    }
    status_.ShowNotice("status.folder_selected");
    ChooseFolder(folder);
    return 0;
}

LRESULT MainWindow::OnContextMenu(HWND source, int x, int y) {
    if (!lists_.OnContextMenu(source, x, y, window_) && !growth_.OnContextMenu(source, x, y)) {
        return ::DefWindowProcW(window_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(source), MAKELPARAM(x, y));
    }
    return 0;
}

LRESULT MainWindow::OnContextMenuKey() {
    const HWND focus = ::GetFocus();
    if (focus == treemap_.Handle() || focus == fileTypes_.List()) {
        ::SendMessageW(::GetParent(focus) == window_ ? focus : fileTypes_.Handle(), WM_CONTEXTMENU,
                       reinterpret_cast<WPARAM>(focus), MAKELPARAM(-1, -1));
        return 0;
    }
    return OnContextMenu(focus, -1, -1);
}

void MainWindow::ChangeLanguage(std::size_t commandOffset) {
    std::wstring value;
    if (commandOffset == 0) {
        value = L"system";
    } else if (commandOffset - 1 < i18n::LanguageCatalog.size()) {
        value = std::wstring(i18n::LanguageCatalog[commandOffset - 1].code);
    } else {
        return;
    }
    // All or nothing: a choice that cannot be saved leaves the window, the
    // texts and the record as they were, with the save-failed notice.
    if (!SaveSettingsWith([&](app::AppSettings& changed) { changed.language = value; })) {
        return;
    }
    localizer_->SetLanguage(value);
    formattingLocale_ = i18n::NormalizeLanguageSetting(value);
    Retranslate();
}

void MainWindow::Retranslate() {
    ::SetWindowTextW(scanButton_, localizer_->Translate("toolbar.scan").c_str());
    ::SetWindowTextW(cancelButton_, localizer_->Translate("toolbar.cancel").c_str());
    ::SetWindowTextW(folderButton_, localizer_->Translate("toolbar.folder").c_str());
    ::SetWindowTextW(openButton_, localizer_->Translate("toolbar.open").c_str());
    BuildMenuBar();
    const auto selection = ::SendMessageW(pathBox_, CB_GETCURSEL, 0, 0);
    FillPathBox();
    if (selection != CB_ERR) {
        ::SendMessageW(pathBox_, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
    }
    Layout();
    lists_.SetFormattingLocale(formattingLocale_);
    lists_.Retranslate();
    treemap_.SetFormattingLocale(formattingLocale_);
    fileTypes_.SetFormattingLocale(formattingLocale_);
    fileTypes_.Retranslate();
    growth_.SetFormattingLocale(formattingLocale_);
    growth_.Retranslate();
    if (status_.MainState() == StatusTextState::Progress) {
        ShowProgressText();
    } else if (status_.MainState() == StatusTextState::Summary) {
        ShowSummaryText();
    }
    status_.RetranslateNotice();
}

void MainWindow::ToggleSizeOnDisk() {
    const bool onDisk = !settings_.window.showSizeOnDisk;
    if (!SaveSettingsWith([&](app::AppSettings& changed) { changed.window.showSizeOnDisk = onDisk; })) {
        return;
    }
    lists_.SetSizeMeasure(onDisk ? core::SizeMeasure::OnDisk : core::SizeMeasure::Logical);
    treemap_.SetSizeMeasure(lists_.Measure());
    typesScope_ = core::NoIndex;  // broken down again by the new measure
    FollowListSelection();
    FollowGrowth(true);
    if (status_.MainState() == StatusTextState::Summary) {
        ShowSummaryText();
    }
    BuildMenuBar();
}

void MainWindow::ChangeTheme(std::size_t position) {
    const auto catalog = ThemeCatalog();
    if (position >= catalog.size()) {
        return;
    }
    if (!SaveSettingsWith([&](app::AppSettings& changed) { changed.theme = catalog[position].identifier; })) {
        return;
    }
    ApplyThemeIdentifier(settings_.theme);
    BuildMenuBar();
}

namespace {

bool IsScanCommand(int id) noexcept { return id == ScanButtonId || id == CancelButtonId || id == IDCANCEL; }

}  // namespace

// A Scan or Cancel with more of them queued behind it (keys held down, a
// script posting hundreds) only notes what was asked; the last one asked
// is carried out once the queue has been read, so a burst of pairs costs at
// most one scan instead of one each. Alone, it acts at once.
void MainWindow::CoalesceScanCommand(int id) {
    MSG queued{};
    const bool anotherQueued = ::PeekMessageW(&queued, window_, WM_COMMAND, WM_COMMAND, PM_NOREMOVE) != FALSE &&
                               IsScanCommand(LOWORD(queued.wParam));
    if (!anotherQueued && pendingScanCommand_ == 0) {
        RunScanCommand(id);
        return;
    }
    const bool posted = pendingScanCommand_ != 0;
    pendingScanCommand_ = id;
    if (!posted && !::PostMessageW(window_, CoalescedScanCommandMessage, 0, 0)) {
        pendingScanCommand_ = 0;
        RunScanCommand(id);
    }
}

LRESULT MainWindow::OnCoalescedScanCommand() {
    const int id = std::exchange(pendingScanCommand_, 0);
    if (id != 0) {
        RunScanCommand(id);
    }
    return 0;
}

void MainWindow::RunScanCommand(int id) {
    if (id == ScanButtonId) {
        StartScan();
    } else {
        CancelScan();
    }
}

void MainWindow::ToggleExplorerEntry() {
    const std::wstring program = platform::ProgramFilePath();
    const bool installed = platform::IsExplorerEntryInstalled(program);
    const LSTATUS status = installed ? platform::RemoveExplorerEntry()
                                     : platform::InstallExplorerEntry(program, localizer_->Translate("context.analyse_with_varnel"));
    if (status != ERROR_SUCCESS) {
        status_.ShowNotice("status.explorer_entry_failed");
    } else {
        status_.ShowNotice(installed ? "status.explorer_entry_removed" : "status.explorer_entry_added");
    }
    BuildMenuBar();
}

}  // namespace varnel::ui
