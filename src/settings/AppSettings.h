#pragma once
// The user's preferences as the program holds them. Copied by value; the
// window thread owns the current copy.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnel::app {

// How the main window was left, so the next start looks the same. Written
// after the keys older versions know, which pass over it.
struct WindowMemory {
    // The restored (not maximised) frame in screen pixels, and the DPI of
    // the monitor it was on; a DPI of 0 means nothing is remembered.
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::uint32_t dpi = 0;
    bool maximized = false;
    // Splitters as shares of the panes' room, per ten thousand; 0 keeps
    // the default split.
    std::uint32_t leftPaneShare = 0;
    std::uint32_t upperRightPaneShare = 0;
    // At 96 DPI: the tree's columns, then the largest files', then the
    // largest folders'. Empty, or of another count, keeps the defaults.
    std::vector<int> columnWidths;
    int sortColumn = -1;  // of the tree; -1 keeps the default order
    bool sortDescending = true;
    std::wstring lastFolder;  // the folder of the last finished scan
    bool showSizeOnDisk = false;  // sizes shown as bytes on disk instead of lengths
    // The treemap and file types panes below the lists: shown or not, and
    // the splitters above and between them, per ten thousand (0 keeps the
    // default split).
    bool showTreemap = true;
    bool showFileTypes = true;
    std::uint32_t resultPanesShare = 0;
    std::uint32_t treemapPaneShare = 0;

    bool operator==(const WindowMemory&) const = default;
};

// The recent-folders list never holds more; the reader keeps the first of a
// longer list written by hand.
inline constexpr std::size_t MaxRecentFolders = 16;

struct AppSettings {
    std::wstring appVersion = L"v.100";  // carried through the file unchanged
    std::wstring language = L"system";   // "system" or a language code
    std::wstring theme = L"MysticForest";
    std::vector<std::wstring> recentFolders;  // most recent first; kept as found in the file
    std::uint32_t threadsPerDrive = 1;
    std::uint32_t maxThreadsPerDrive = 1;  // the hardware thread count; never stored in the file
    bool showAdminPromptOnStartup = true;
    bool suppressAdminPrompt = false;
    bool alwaysStartAsAdministrator = false;
    // After each completed scan, keep a folder-level snapshot so that the
    // next scan of the same root can say what changed.
    bool keepSnapshots = true;
    WindowMemory window;

    bool operator==(const AppSettings&) const = default;
};

// Threads per drive a fresh or repaired record gets: one per hardware
// thread, but no more than this.
inline constexpr std::uint32_t DefaultThreadsPerDriveCap = 8;

// What Load starts from before it reads the file: the defaults, with the
// thread count fitted to the machine.
AppSettings StartingSettings(std::uint32_t hardwareThreads);

// Repairs a thread count of 0 or one above the hardware threads (a file
// copied from a bigger machine) and sets maxThreadsPerDrive. Applied on
// every load and before every save.
void NormalizeSettings(AppSettings& settings, std::uint32_t hardwareThreads);

}  // namespace varnel::app
