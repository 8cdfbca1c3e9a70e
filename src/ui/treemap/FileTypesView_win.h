#pragma once
// The file types pane: the extensions below the folder selected in the tree
// (colour swatch as in the treemap, extension, type group, share bar,
// bytes, files), every column sortable; and, after "Show files", every file
// of one extension largest first. A child window of its own holding one
// owner-data list, so that its notifications stay here.

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "i18n/Localizer.h"
#include "model/FileTypes.h"
#include "model/ScanModel.h"
#include "platform/WindowMessageTarget_win.h"
#include "ui/theme/GdiObjectCache_win.h"
#include "ui/theme/ThemePalette.h"
#include "ui/treemap/TreemapRenderer.h"
#include "ui/treemap/TypeBreakdownWorker.h"
#include "ui/window/MainWindowIds.h"

namespace varnel::ui {

inline constexpr wchar_t FileTypesClassName[] = L"Varnel.FileTypes";

struct FileTypesEvents {
    // The extension selected in the list (None when none is): the treemap
    // highlights its files.
    std::function<void(std::uint32_t extension)> extensionSelected;
    // A file selected in the files of one type.
    std::function<void(std::uint64_t node)> fileSelected;
    // The lists' context menu for a file, at a screen point.
    std::function<void(std::uint64_t node, POINT screen)> fileContextMenu;
};

class FileTypesView : private platform::WindowMessageTarget<FileTypesView> {
    friend class platform::WindowMessageTarget<FileTypesView>;

public:
    FileTypesView(i18n::Localizer& localizer, FileTypesEvents events);
    FileTypesView(const FileTypesView&) = delete;
    FileTypesView& operator=(const FileTypesView&) = delete;

    bool Create(HWND parent, HINSTANCE instance, int id);
    HWND Handle() const noexcept { return window_; }
    HWND List() const noexcept { return list_; }

    void SetDpi(UINT dpi) noexcept { dpi_ = dpi == 0 ? 96 : dpi; }
    void SetPalette(const ThemePalette& palette);
    void SetFormattingLocale(std::wstring locale) { locale_ = std::move(locale); }
    void Retranslate();

    // The result and its index (both must stay until Clear); `scope` is the
    // folder whose files are broken down. Null `types` or an empty index
    // shows nothing yet. The breakdown is worked out on a worker; the rows
    // shown until it is ready stay.
    void Show(const core::ScanResult* result, const core::FileTypeIndex* types, std::uint64_t scope,
              core::SizeMeasure measure);
    void Clear();

    // The extensions listed now, in their shown order (for tests).
    const std::vector<core::FileTypeRow>& Rows() const noexcept { return rows_; }
    bool ShowsFiles() const noexcept { return showingFiles_; }
    // Lists every file of the extension in row `row`, largest first.
    void ShowFilesOf(std::size_t row);
    void BackToTypes();

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(NMHDR& header);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
    LRESULT OnPaint();
    void OnContextMenu(int x, int y);
    void Layout();
    void Rebuild();
    void ShowRows();
    void OnBreakdownReady();
    void SetColumns();
    void SortRows();
    std::wstring CellText(int row, int column) const;
    std::wstring TitleText() const;
    int Scale(int value) const { return MulDiv(value, static_cast<int>(dpi_), 96); }

    i18n::Localizer& localizer_;
    FileTypesEvents events_;
    HWND list_ = nullptr;
    void OnWindowAttached() noexcept { notify_.store(window_); }
    void OnWindowDetached() noexcept {
        notify_.store(nullptr);
        list_ = nullptr;
    }
    HFONT font_ = nullptr;  // the window's, set by WM_SETFONT; not owned
    UINT dpi_ = 96;
    ThemePalette palette_;
    GdiObjectCache gdi_;  // the cells' brushes, of palette_
    TreemapColours colours_;
    std::wstring locale_ = L"system";

    const core::ScanResult* result_ = nullptr;
    const core::FileTypeIndex* types_ = nullptr;
    std::uint64_t scope_ = core::NoIndex;
    core::SizeMeasure measure_ = core::SizeMeasure::Logical;
    std::vector<core::FileTypeRow> rows_;
    std::uint64_t scopeBytes_ = 0;
    int sortColumn_ = 3;  // bytes
    bool sortDescending_ = true;
    bool showingFiles_ = false;
    std::uint32_t filesExtension_ = 0;
    std::vector<std::uint64_t> files_;
    std::atomic<HWND> notify_{nullptr};  // where the worker says a breakdown is ready
    // Last: it stops before anything it reports to goes.
    TypeBreakdownWorker worker_{[this] {
        if (const HWND window = notify_.load()) ::PostMessageW(window, FileTypesReadyMessage, 0, 0);
    }};
};

}  // namespace varnel::ui
