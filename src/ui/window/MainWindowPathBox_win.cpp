// The path box of the main window: "All local drives", the chosen folder and
// the local drives with their space, refilled when drives come and go; a
// path can also be typed or pasted into it.

#include <algorithm>

#include "ui/lists/CutTextTip_win.h"
#include "ui/theme/GdiScope_win.h"
#include "ui/window/MainWindow.h"
#include "ui/window/MenuBarTheme_win.h"
#include "ui/view/RowColours.h"
#include "ui/view/PathDisplay.h"

namespace varnel::ui {
namespace {

// Neither number is scaled: they widen the drop-down past its text.
constexpr int DropWidthPadding = 36;
constexpr int DropWidthMinimum = 300;
// At 96 DPI: the text's inset and the room the drop-down arrow takes.
constexpr int ItemInset = 4;
constexpr int ArrowRoom = 22;

std::wstring ItemText(HWND box, int item) {
    const auto length = ::SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(item), 0);
    if (length == CB_ERR) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    ::SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace

void MainWindow::FillPathBox() {
    ::SendMessageW(pathBox_, CB_RESETCONTENT, 0, 0);
    std::vector<std::wstring> items{localizer_->Translate("combo.all_local_drives")};
    if (!chosenFolder_.empty()) {
        items.push_back(localizer_->Translate("combo.folder_prefix") + chosenFolder_);
    }
    for (const platform::DriveInfo& drive : scanSession_->Drives()) {
        items.push_back(DriveEntryText(drive));
    }
    int widest = 0;
    for (const std::wstring& item : items) {
        ::SendMessageW(pathBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        widest = std::max(widest, TextWidthInControl(pathBox_, VisibleText(item)));
    }
    ::SendMessageW(pathBox_, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(std::max(widest + DropWidthPadding, DropWidthMinimum)),
                   0);
    const int firstDrive = chosenFolder_.empty() ? 1 : 2;
    const bool hasDrives = !scanSession_->Drives().empty();
    ::SendMessageW(pathBox_, CB_SETCURSEL, hasDrives ? firstDrive : 0, 0);
}

void MainWindow::CreatePathTip() {
    const HWND controls[] = {pathBox_};
    pathTip_ = CreateCutTextTip(window_, instance_, controls, Scale(800));
}

bool MainWindow::OnPathTipText(NMTTDISPINFOW& info) {
    // Only a text that the box cuts is worth a tooltip.
    const auto selection = static_cast<int>(::SendMessageW(pathBox_, CB_GETCURSEL, 0, 0));
    const std::wstring text = selection == CB_ERR ? std::wstring() : VisibleText(ItemText(pathBox_, selection));
    RECT box{};
    ::GetClientRect(pathBox_, &box);
    const bool cut = TextWidthInControl(pathBox_, text) > box.right - Scale(ItemInset) * 2 - Scale(ArrowRoom);
    pathTipText_ = cut ? text : std::wstring();
    info.lpszText = pathTipText_.data();
    return 0;
}

void MainWindow::SetPathBoxItemHeight() {
    MEASUREITEMSTRUCT item{};
    OnMeasureItem(item);
    ::SendMessageW(pathBox_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), static_cast<LPARAM>(item.itemHeight));
    ::SendMessageW(pathBox_, CB_SETITEMHEIGHT, 0, static_cast<LPARAM>(item.itemHeight));
}

LRESULT MainWindow::OnMeasureItem(MEASUREITEMSTRUCT& item) {
    if (MeasureMenuBarItem(window_, item, dpi_)) {
        return TRUE;
    }
    TEXTMETRICW metrics{};
    {
        const WindowDc dc(window_);
        const SelectGuard select(dc.get(), font_);
        ::GetTextMetricsW(dc.get(), &metrics);
    }
    item.itemHeight = static_cast<UINT>(metrics.tmHeight + Scale(ItemInset) * 2);
    return TRUE;
}

LRESULT MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (DrawMenuBarItem(window_, item, palette_, dpi_)) {
        return TRUE;
    }
    if (item.hwndItem != pathBox_) {
        return FALSE;
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    // In the theme's list colours, so that a dark theme has a dark path box.
    const RowColours colours = ColoursForRow(palette_, selected ? RowState::Selected : RowState::Normal);
    const UniqueBrush fill(::CreateSolidBrush(colours.background));
    ::FillRect(item.hDC, &item.rcItem, fill.get());
    if (item.itemID != static_cast<UINT>(-1)) {
        const SavedDcState saved(item.hDC);
        ::SetBkMode(item.hDC, TRANSPARENT);
        ::SetTextColor(item.hDC, disabled ? Blend(colours.text, colours.background) : colours.text);
        std::wstring text = VisibleText(ItemText(pathBox_, static_cast<int>(item.itemID)));
        RECT area = item.rcItem;
        area.left += Scale(ItemInset);
        area.right -= Scale(ItemInset);
        // The middle goes, so the drive and the folder's own name stay.
        ::DrawTextW(item.hDC, text.data(), static_cast<int>(text.size()), &area,
                    DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
    }
    if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
        ::DrawFocusRect(item.hDC, &item.rcItem);
    }
    return TRUE;
}

void MainWindow::RefreshDrives() {
    const auto selection = static_cast<int>(::SendMessageW(pathBox_, CB_GETCURSEL, 0, 0));
    const int firstDrive = chosenFolder_.empty() ? 1 : 2;
    std::wstring selectedDrive;
    const auto& before = scanSession_->Drives();
    if (selection >= firstDrive && static_cast<std::size_t>(selection - firstDrive) < before.size()) {
        selectedDrive = before[static_cast<std::size_t>(selection - firstDrive)].rootPath;
    }

    scanSession_->RefreshDrives();
    FillPathBox();

    if (selection == 0 || (selection == 1 && !chosenFolder_.empty())) {
        ::SendMessageW(pathBox_, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
        return;
    }
    const auto& after = scanSession_->Drives();
    const auto found = std::find_if(after.begin(), after.end(),
                                    [&](const platform::DriveInfo& d) { return d.rootPath == selectedDrive; });
    if (!selectedDrive.empty() && found != after.end()) {
        ::SendMessageW(pathBox_, CB_SETCURSEL, static_cast<WPARAM>(firstDrive + (found - after.begin())), 0);
    }
}

}  // namespace varnel::ui
