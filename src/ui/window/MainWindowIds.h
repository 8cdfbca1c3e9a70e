#pragma once
// Identifiers of the main window's controls and commands.

namespace varnel::ui {

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
    TreemapPaneId = 1016,
    FileTypesPaneId = 1017,
    GrewMostListId = 1020,
    // The rankings' titles, above them.
    LargestFilesTitleId = 1021,
    LargestFoldersTitleId = 1022,
};

enum CommandId : int {
    ExitCommandId = 1011,
    ScanSettingsCommandId = 1012,
    AboutCommandId = 1013,
    // Shift+F10 and the menu key: the context menu of the focused list.
    ContextMenuKeyCommandId = 1014,
    // Settings > Size on disk: the lists show bytes on disk, or lengths.
    SizeOnDiskCommandId = 1015,
    // View > Treemap and View > File types show or hide their panes.
    ViewTreemapCommandId = 1018,
    ViewFileTypesCommandId = 1019,
    // Settings > Keep snapshots: a folder-level snapshot after each scan.
    KeepSnapshotsCommandId = 1453,
    ExportCommandId = 1450,
    SaveScanCommandId = 1451,
    OpenScanCommandId = 1452,
    FirstRecentFolderCommandId = 1100,  // 1100 + position, 16 entries
    SystemLanguageCommandId = 1200,
    FirstLanguageCommandId = 1201,  // 1201 + catalog position
    FirstThemeCommandId = 1300,     // 1300 + catalog position
    // The lists' context menu, beside OpenContextCommandId.
    ShowInExplorerCommandId = 1400,
    CopyPathCommandId = 1401,
    CopyCsvRowCommandId = 1402,
    DeleteToRecycleBinCommandId = 1403,
    PropertiesCommandId = 1404,
    ShowInTreeCommandId = 1405,
    RescanContextCommandId = 1406,
    // Ctrl+R: the tree's selected folder scanned again; Ctrl+F: search.
    RescanCommandId = 1460,
    FindCommandId = 1461,
    // Settings > Show "Analyse with Varnel" in Explorer.
    ExplorerEntryCommandId = 1462,
    // View > Compare with: None, or one of the earlier snapshots of the
    // shown root (1471 + position, newest first); and the paths of the
    // folders gone since, to the clipboard.
    CompareNoneCommandId = 1470,
    FirstComparisonCommandId = 1471,
    CopyGoneFoldersCommandId = 1490,
};
inline constexpr int MaxComparisons = 16;

// The messages the program posts or sends to its own windows, and the main
// window's timers: one list, so that no two share a value. 0x8000 is WM_APP
// (this header is portable); WM_APP + 1 is the scan session's completion
// (app::ScanCompletedMessage), which the session posts on its own.
// A dialog asks its owner for the colours: the answer is a pointer to the
// owner's ThemePalette, or 0 for the system's colours.
inline constexpr unsigned QueryThemePaletteMessage = 0x8000 + 2;
// The export's worker has ended; wParam is the export's id.
inline constexpr unsigned ExportDoneMessage = 0x8000 + 16;
// Posted once behind a burst of queued Scan and Cancel commands: only the
// last of them is carried out.
inline constexpr unsigned CoalescedScanCommandMessage = 0x8000 + 17;
// A saved scan was written or read on its worker; wParam is the task's id.
inline constexpr unsigned SavedScanDoneMessage = 0x8000 + 18;
// The search window: a batch of matches is ready; wParam is the search's generation.
inline constexpr unsigned SearchBatchMessage = 0x8000 + 40;
// The treemap: a new picture is drawn and waits to be shown.
inline constexpr unsigned TreemapPictureReadyMessage = 0x8000 + 41;
// The folder snapshot of the last scan is kept; wParam is the keeping's id.
inline constexpr unsigned SnapshotKeptMessage = 0x8000 + 42;
// The file types pane: a breakdown worked out on its worker is ready.
inline constexpr unsigned FileTypesReadyMessage = 0x8000 + 43;
// The comparison with an earlier snapshot is worked out; wParam is the request's id.
inline constexpr unsigned ComparisonDoneMessage = 0x8000 + 44;

// The scan's progress, shown every app::ProgressTimerPeriodMs, and the export's.
inline constexpr unsigned ProgressTimerId = 1;
inline constexpr unsigned ExportTimerId = 16;

}  // namespace varnel::ui
