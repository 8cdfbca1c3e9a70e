// How a scan is asked for: the path box (its entries or a typed or pasted
// path), the command line, the picker and the recent folders all end in
// StartScanOf with the roots to scan.

#include <algorithm>

#include "base/PathRules.h"
#include "i18n/Formatting.h"
#include "ui/window/MainWindow.h"

namespace varnel::ui {
namespace {

std::wstring BoxText(HWND box) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(box)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(box, text.data(), static_cast<int>(text.size()))));
    return text;
}

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

// A path as people paste it: Explorer's "Copy as path" adds quotes, a copy
// from a document brings spaces along.
std::wstring CleanTypedPath(std::wstring text) {
    const auto notSpace = [](wchar_t c) { return c != L' ' && c != L'\t' && c != L'\r' && c != L'\n'; };
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
    text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
        text = text.substr(1, text.size() - 2);
    }
    return text;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(core::ExtendedLengthPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::wstring MainWindow::DriveEntryText(const platform::DriveInfo& drive) {
    if (drive.totalBytes == 0) {
        return drive.displayText;
    }
    const std::uint64_t used = drive.totalBytes - std::min(drive.freeBytes, drive.totalBytes);
    return drive.displayText + L" \u2014 " + localizer_->Translate("combo.drive_used") +
           i18n::FormatSize(formattingLocale_, used) + L", " + localizer_->Translate("combo.drive_free") +
           i18n::FormatSize(formattingLocale_, drive.freeBytes);
}

bool MainWindow::RootsToScan(std::vector<std::wstring>& roots, std::wstring& displayName) {
    const auto selection = static_cast<int>(::SendMessageW(pathBox_, CB_GETCURSEL, 0, 0));
    const std::wstring typed = BoxText(pathBox_);
    // Text that is no entry of the box was typed or pasted: it is the path.
    if (selection == CB_ERR || typed != ItemText(pathBox_, selection)) {
        const std::wstring path = CleanTypedPath(typed);
        if (path.empty()) {
            return false;
        }
        // A folder that is not there is scanned all the same, so that the
        // failure reads as it does for any other root.
        if (IsFolder(path)) {
            ChooseFolder(path);
        }
        roots = {path};
        displayName = path;
        return true;
    }
    const bool hasFolder = !chosenFolder_.empty();
    if (selection == 0) {
        roots = scanSession_->LocalDriveRoots();
        // The exact English name: the result lists recognise the merged root by it.
        displayName = core::MergedRootName;
    } else if (selection == 1 && hasFolder) {
        roots = {chosenFolder_};
        displayName = chosenFolder_;
    } else {
        const auto drive = static_cast<std::size_t>(selection - (hasFolder ? 2 : 1));
        const auto& drives = scanSession_->Drives();
        if (drive >= drives.size()) {
            return false;
        }
        roots = {drives[drive].rootPath};
        displayName = drives[drive].rootPath;
    }
    return true;
}

void MainWindow::ScanPaths(const std::vector<std::wstring>& paths) {
    if (paths.empty() || scanSession_->IsScanning()) {
        return;
    }
    if (paths.size() == 1) {
        if (IsFolder(paths.front())) {
            ChooseFolder(paths.front());
        }
        StartScanOf(paths, paths.front());
        return;
    }
    // As varnelscan does: several roots under one merged root.
    StartScanOf(paths, core::MergedRootName);
}

void MainWindow::ChooseAndScan(const std::wstring& folder) {
    ChooseFolder(folder);
    StartScan();
}

bool MainWindow::PathBoxHasFocus() const {
    const HWND focus = ::GetFocus();
    return focus != nullptr && (focus == pathBox_ || ::IsChild(pathBox_, focus));
}

}  // namespace varnel::ui
