// The path box of the main window: "All local drives", the chosen folder and
// the local drives, refilled when drives come and go.

#include <algorithm>

#include "ui/GdiScope_win.h"
#include "ui/MainWindow.h"

namespace varnel::ui {
namespace {

// Neither number is scaled: they widen the drop-down past its text.
constexpr int DropWidthPadding = 36;
constexpr int DropWidthMinimum = 300;

}  // namespace

void MainWindow::FillPathBox() {
    ::SendMessageW(pathBox_, CB_RESETCONTENT, 0, 0);
    std::vector<std::wstring> items{localizer_->Translate("combo.all_local_drives")};
    if (!chosenFolder_.empty()) {
        items.push_back(localizer_->Translate("combo.folder_prefix") + chosenFolder_);
    }
    for (const platform::DriveInfo& drive : controller_->Drives()) {
        items.push_back(drive.displayText);
    }
    int widest = 0;
    for (const std::wstring& item : items) {
        ::SendMessageW(pathBox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        widest = std::max(widest, TextWidthInControl(pathBox_, item));
    }
    ::SendMessageW(pathBox_, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(std::max(widest + DropWidthPadding, DropWidthMinimum)),
                   0);
    const int firstDrive = chosenFolder_.empty() ? 1 : 2;
    const bool hasDrives = !controller_->Drives().empty();
    ::SendMessageW(pathBox_, CB_SETCURSEL, hasDrives ? firstDrive : 0, 0);
}

void MainWindow::RefreshDrives() {
    const auto selection = static_cast<int>(::SendMessageW(pathBox_, CB_GETCURSEL, 0, 0));
    const int firstDrive = chosenFolder_.empty() ? 1 : 2;
    std::wstring selectedDrive;
    const auto& before = controller_->Drives();
    if (selection >= firstDrive && static_cast<std::size_t>(selection - firstDrive) < before.size()) {
        selectedDrive = before[static_cast<std::size_t>(selection - firstDrive)].rootPath;
    }

    controller_->RefreshDrives();
    FillPathBox();

    if (selection == 0 || (selection == 1 && !chosenFolder_.empty())) {
        ::SendMessageW(pathBox_, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
        return;
    }
    const auto& after = controller_->Drives();
    const auto found = std::find_if(after.begin(), after.end(),
                                    [&](const platform::DriveInfo& d) { return d.rootPath == selectedDrive; });
    if (!selectedDrive.empty() && found != after.end()) {
        ::SendMessageW(pathBox_, CB_SETCURSEL, static_cast<WPARAM>(firstDrive + (found - after.begin())), 0);
    }
}

}  // namespace varnel::ui
