#pragma once
// The shell calls behind the lists' context actions, in one seam: the real
// ones show Explorer, property sheets and message boxes and move files to
// the Recycle Bin, which a test cannot answer or undo, so tests put a
// recording fake in their place.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "model/ScanTree.h"

namespace varnel::ui {

enum class RecycleOutcome {
    Recycled,
    Refused,  // the user said no in a dialog of the shell's own
    Failed,
};

// What is at a path now, as far as telling it from the scanned item goes.
struct ItemOnDisk {
    bool directory = false;
    std::uint64_t size = 0;           // a file's length; 0 for a folder
    std::uint64_t lastWriteTime = 0;  // FILETIME, 100 ns since 1601 UTC
};

// What the file system says is at `path` (a link itself, not its target, as
// the scan saw it); nothing when there is nothing or it cannot be asked.
std::optional<ItemOnDisk> InspectOnDisk(const std::wstring& path);

// True when `now` is still the item `scanned` was: the same kind, for a file
// the same length, and the same last write time where the scan read one.
// A folder's size is not compared: it would take a walk, and any entry added
// or removed in it moves its last write time anyway. `ownWriteTime` is the
// time the folder had after our own deletion inside it, which counts as the
// scanned one (0 when there was none).
bool StillAsScanned(const core::NodeView& scanned, const ItemOnDisk& now, std::uint64_t ownWriteTime = 0);

class ShellActions {
public:
    virtual ~ShellActions() = default;
    // Looks at what is at `path` now; the system's file system unless a test
    // puts a stricter one here.
    virtual std::optional<ItemOnDisk> Inspect(const std::wstring& path) { return InspectOnDisk(path); }
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
