#pragma once
// The shell calls behind the lists' context actions, in one seam: the real
// ones show Explorer, property sheets and message boxes and move files to
// the Recycle Bin, which a test cannot answer or undo, so tests put a
// recording fake in their place.

#include <windows.h>

#include <memory>
#include <string>

namespace varnel::ui {

enum class RecycleOutcome {
    Recycled,
    Refused,  // the user said no in a dialog of the shell's own
    Failed,
};

class ShellActions {
public:
    virtual ~ShellActions() = default;
    // Opens the folder that holds `path` with the item selected.
    virtual bool ShowInExplorer(HWND owner, const std::wstring& path) = 0;
    virtual bool ShowProperties(HWND owner, const std::wstring& path) = 0;
    // Asks a yes/no question, no being the default answer.
    virtual bool Confirm(HWND owner, const std::wstring& title, const std::wstring& text) = 0;
    // Moves one file or folder to the Recycle Bin, where the user can
    // restore it. An item the bin cannot take is never deleted for good
    // without the shell asking the user first.
    virtual RecycleOutcome Recycle(HWND owner, const std::wstring& path) = 0;
};

std::unique_ptr<ShellActions> MakeSystemShellActions();

// Puts `text` on the clipboard as Unicode text; false when the clipboard
// could not be opened or filled.
bool CopyTextToClipboard(HWND owner, const std::wstring& text);

}  // namespace varnel::ui
