// The menus of the main window and the commands behind them: recent folders,
// the folder picker, dropped folders, languages, themes, the context menu of
// the rankings, and the notices that report what did or did not happen.

#include "ui/MainWindow.h"

#include <shobjidl.h>

#include <algorithm>
#include <string>

#include "i18n/LanguageCatalog.h"
#include "ui/RecentFolders.h"
#include "ui/ThemeCatalog.h"

namespace varnel::ui {
namespace {

bool IsExistingDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Releases a COM interface pointer on every path.
template <class Interface>
class ComPointer {
public:
    ComPointer() = default;
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    ~ComPointer() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    Interface* operator->() const noexcept { return pointer_; }
    Interface* get() const noexcept { return pointer_; }
    Interface** put() noexcept { return &pointer_; }
    void** put_void() noexcept { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

class CoTaskString {
public:
    CoTaskString() = default;
    CoTaskString(const CoTaskString&) = delete;
    CoTaskString& operator=(const CoTaskString&) = delete;
    ~CoTaskString() { ::CoTaskMemFree(text_); }
    PWSTR* put() noexcept { return &text_; }
    const wchar_t* get() const noexcept { return text_; }

private:
    PWSTR text_ = nullptr;
};

// The component library for this thread, uninitialised only if this scope
// initialised it.
class ComApartment {
public:
    ComApartment() noexcept {
        const HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        usable_ = SUCCEEDED(result) || result == RPC_E_CHANGED_MODE;
        initialised_ = SUCCEEDED(result);
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (initialised_) ::CoUninitialize();
    }
    bool usable() const noexcept { return usable_; }

private:
    bool usable_ = false;
    bool initialised_ = false;
};

// The shell's folder picker; empty on cancel or any failure.
std::wstring PickFolderWithShell(HWND owner, const std::wstring& title, const std::wstring& initialFolder) {
    ComApartment apartment;
    if (!apartment.usable()) {
        return {};
    }
    std::wstring picked;
    {
        ComPointer<IFileOpenDialog> dialog;
        if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                      dialog.put_void()))) {
            return {};
        }
        FILEOPENDIALOGOPTIONS options = 0;
        dialog->GetOptions(&options);
        dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
        dialog->SetTitle(title.c_str());
        if (!initialFolder.empty()) {
            ComPointer<IShellItem> folder;
            if (SUCCEEDED(::SHCreateItemFromParsingName(initialFolder.c_str(), nullptr, IID_IShellItem,
                                                        folder.put_void()))) {
                dialog->SetFolder(folder.get());
            }
        }
        if (FAILED(dialog->Show(owner))) {
            return {};
        }
        ComPointer<IShellItem> result;
        CoTaskString path;
        if (SUCCEEDED(dialog->GetResult(result.put())) &&
            SUCCEEDED(result->GetDisplayName(SIGDN_FILESYSPATH, path.put())) && path.get() != nullptr) {
            picked = path.get();
        }
    }
    return picked;
}

void AppendItem(HMENU menu, UINT id, const std::wstring& text, bool checked = false) {
    ::AppendMenuW(menu, MF_STRING | (checked ? MF_CHECKED : MF_UNCHECKED), id, text.c_str());
}

}  // namespace

void MainWindow::BuildMenuBar() {
    const HMENU previous = ::GetMenu(window_);
    const HMENU bar = ::CreateMenu();
    const HMENU file = ::CreatePopupMenu();
    const HMENU recent = ::CreatePopupMenu();
    ::AppendMenuW(file, MF_POPUP, reinterpret_cast<UINT_PTR>(recent),
                  localizer_->Translate("menu.file.recent_folders").c_str());
    ::AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendItem(file, ExitCommandId, localizer_->Translate("menu.file.exit"));

    const HMENU settings = ::CreatePopupMenu();
    AppendItem(settings, ScanSettingsCommandId, localizer_->Translate("menu.settings.scan"));
    ::AppendMenuW(settings, MF_SEPARATOR, 0, nullptr);
    const HMENU themes = ::CreatePopupMenu();
    const auto catalog = ThemeCatalog();
    for (std::size_t i = 0; i < catalog.size(); ++i) {
        const std::wstring_view id = catalog[i].identifier;
        const std::string key = "theme." + std::string(id.begin(), id.end());
        AppendItem(themes, static_cast<UINT>(FirstThemeCommandId + static_cast<int>(i)), localizer_->Translate(key),
                   settings_.theme == id);
    }
    ::AppendMenuW(settings, MF_POPUP, reinterpret_cast<UINT_PTR>(themes),
                  localizer_->Translate("menu.settings.theme").c_str());
    const HMENU languages = ::CreatePopupMenu();
    const std::wstring language = i18n::NormalizeLanguageSetting(settings_.language);
    AppendItem(languages, SystemLanguageCommandId, localizer_->LanguageSystemLabel(), language == L"system");
    for (std::size_t i = 0; i < i18n::LanguageCatalog.size(); ++i) {
        const auto& entry = i18n::LanguageCatalog[i];
        AppendItem(languages, static_cast<UINT>(FirstLanguageCommandId + static_cast<int>(i)),
                   std::wstring(entry.displayName), language == entry.code);
    }
    ::AppendMenuW(settings, MF_POPUP, reinterpret_cast<UINT_PTR>(languages),
                  localizer_->Translate("menu.settings.language").c_str());

    const HMENU help = ::CreatePopupMenu();
    AppendItem(help, AboutCommandId, localizer_->Translate("menu.help.about"));

    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), localizer_->Translate("menu.file").c_str());
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(settings), localizer_->Translate("menu.settings").c_str());
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), localizer_->Translate("menu.help").c_str());
    ::SetMenu(window_, bar);
    if (previous != nullptr) {
        ::DestroyMenu(previous);  // with all its submenus
    }
    menuBar_ = bar;
    recentMenu_ = recent;
    FillRecentMenu();
}

void MainWindow::FillRecentMenu() {
    if (recentMenu_ == nullptr) {
        return;
    }
    while (::GetMenuItemCount(recentMenu_) > 0) {
        ::DeleteMenu(recentMenu_, 0, MF_BYPOSITION);
    }
    const auto& recent = settings_.recentFolders;
    if (recent.empty()) {
        ::AppendMenuW(recentMenu_, MF_STRING | MF_GRAYED, 0, localizer_->Translate("menu.none").c_str());
    }
    for (std::size_t i = 0; i < recent.size() && i < MaxRecentFolders; ++i) {
        AppendItem(recentMenu_, static_cast<UINT>(FirstRecentFolderCommandId + static_cast<int>(i)),
                   std::to_wstring(i + 1) + L" " + recent[i]);
    }
    ::DrawMenuBar(window_);
}

bool MainWindow::SaveSettings() {
    if (settingsStore_.Save(settings_)) {
        return true;
    }
    ShowNotice("status.save_failed");
    return false;
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
        ChooseFolder(folder);
        return;
    }
    recent.erase(recent.begin() + static_cast<std::ptrdiff_t>(position));
    // Named before saving: a failed save replaces it with its own notice.
    ShowNotice("status.recent_missing");
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
    const std::wstring picked = PickFolderWithShell(window_, localizer_->Translate("dialog.folder.title"), initial);
    if (!picked.empty()) {
        ChooseFolder(picked);
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
        ShowNotice("status.drop_folder");
        return 0;
    }
    ShowNotice("status.folder_selected");
    ChooseFolder(folder);
    return 0;
}

LRESULT MainWindow::OnContextMenu(HWND source, int x, int y) {
    if (source != largestFilesList_ && source != largestFoldersList_) {
        return ::DefWindowProcW(window_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(source), MAKELPARAM(x, y));
    }
    int row = -1;
    POINT at{x, y};
    if (x == -1 && y == -1) {
        row = ListView_GetNextItem(source, -1, LVNI_SELECTED);
        if (row < 0) {
            return 0;
        }
        RECT bounds{};
        ListView_GetItemRect(source, row, &bounds, LVIR_BOUNDS);
        at = {bounds.left + 16, (bounds.top + bounds.bottom) / 2};
        ::ClientToScreen(source, &at);
    } else {
        LVHITTESTINFO hit{};
        hit.pt = at;
        ::ScreenToClient(source, &hit.pt);
        row = ListView_HitTest(source, &hit);
        if (row < 0) {
            return 0;
        }
        ListView_SetItemState(source, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(source, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetSelectionMark(source, row);
    }
    lastRankingList_ = source;
    UpdateOpenButton();
    if (RankingNodeAt(source, row) == core::NoIndex) {
        return 0;
    }
    const HMENU menu = ::CreatePopupMenu();
    AppendItem(menu, OpenContextCommandId, localizer_->Translate("context.open"));
    const BOOL chosen = ::TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, window_, nullptr);
    ::DestroyMenu(menu);
    if (chosen == OpenContextCommandId) {
        OpenSelected();
    }
    return 0;
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
    settings_.language = value;
    localizer_->SetLanguage(value);
    formattingLocale_ = i18n::NormalizeLanguageSetting(value);
    if (!SaveSettings()) {
        return;
    }
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
    RenameColumns();
    ResetColumnWidths();
    if (!result_.nodes.empty()) {
        RebuildTreeList();
        if (selectedNode_ != core::NoIndex) {
            SelectTreeNode(selectedNode_);
        }
    }
    if (statusState_ == StatusTextState::Progress) {
        ShowProgressText();
    } else if (statusState_ == StatusTextState::Summary) {
        ShowSummaryText();
    }
    if (!noticeKey_.empty()) {
        ShowNotice(noticeKey_);
    }
}

void MainWindow::ChangeTheme(std::size_t position) {
    const auto catalog = ThemeCatalog();
    if (position >= catalog.size()) {
        return;
    }
    settings_.theme = std::wstring(catalog[position].identifier);
    if (!SaveSettings()) {
        return;
    }
    ApplyThemeIdentifier(settings_.theme);
    BuildMenuBar();
}

void MainWindow::ShowNotice(std::string key) {
    noticeKey_ = std::move(key);
    const std::wstring text = localizer_->Translate(noticeKey_);
    ::SendMessageW(statusBar_, SB_SETTEXTW, StatusNoticePart, reinterpret_cast<LPARAM>(text.c_str()));
}

void MainWindow::ClearNotice() {
    noticeKey_.clear();
    ::SendMessageW(statusBar_, SB_SETTEXTW, StatusNoticePart, reinterpret_cast<LPARAM>(L""));
}

}  // namespace varnel::ui
