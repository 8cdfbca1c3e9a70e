#pragma once
// The treemap pane: a child window of its own class that shows the result
// (or the folder zoomed into) as nested, cushion-shaded tiles coloured by
// file type. Layout and drawing run on a worker thread; the last picture
// stays on screen until the next one is ready, so a resize, a zoom or a
// theme change never waits for them. The window thread only blits.
//
// It reads the result the lists own. Whoever changes or replaces that
// result calls StopWork (or Clear) first, so the worker never reads a tree
// that is changing.

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/FileTypes.h"
#include "model/ScanModel.h"
#include "platform/WindowMessageTarget_win.h"
#include "ui/theme/ThemePalette.h"
#include "ui/treemap/TreemapLayout.h"
#include "ui/treemap/TreemapRenderer.h"

namespace varnel::ui {

// Found by tests from outside the process by this name.
inline constexpr wchar_t TreemapClassName[] = L"Varnel.Treemap";

// What the pane tells the window that holds it.
struct TreemapEvents {
    // A tile was clicked or reached with the arrow keys.
    std::function<void(std::uint64_t node)> picked;
    // The context menu of a node, at a screen point.
    std::function<void(std::uint64_t node, POINT screen)> contextMenu;
    // The file types index of the shown result is ready (built on the worker).
    std::function<void()> typesReady;
};

class TreemapWindow : private platform::WindowMessageTarget<TreemapWindow> {
    friend class platform::WindowMessageTarget<TreemapWindow>;

public:
    explicit TreemapWindow(TreemapEvents events);
    TreemapWindow(const TreemapWindow&) = delete;
    TreemapWindow& operator=(const TreemapWindow&) = delete;
    // Stops and joins the worker.
    ~TreemapWindow();

    bool Create(HWND parent, HINSTANCE instance, int id);
    HWND Handle() const noexcept { return window_; }

    void SetDpi(UINT dpi);
    void SetPalette(const ThemePalette& palette);
    void SetFormattingLocale(std::wstring locale) { locale_ = std::move(locale); }

    // Shows `result` from its root; the file types are indexed again. The
    // result must stay in place until Clear or StopWork.
    void ShowResult(const core::ScanResult* result, core::SizeMeasure measure);
    // Waits for the worker and forgets the result and the picture.
    void Clear();
    // Waits until the worker no longer reads the result.
    void StopWork();
    void SetSizeMeasure(core::SizeMeasure measure);
    // Outlines the tile of `node` (or of the folder it is merged into).
    void SetSelection(std::uint64_t node);
    // Fades every file whose extension is not `extension`; None for none.
    void SetHighlight(std::uint32_t extension);
    // Shows `folder` filling the pane; a file's folder for a file.
    void ZoomTo(std::uint64_t folder);
    void ZoomOut();
    std::uint64_t ZoomTop() const noexcept { return zoomTop_; }

    // The index the worker built for the shown result; empty until typesReady.
    const core::FileTypeIndex& Types() const noexcept;
    std::uint64_t Selection() const noexcept { return selection_; }
    // The shown picture's layout, in pixels of the pane below the path line.
    const TreemapLayout& ShownLayout() const noexcept { return shown_.layout; }
    int PathLineHeight() const;

private:
    struct Picture {
        TreemapLayout layout;
        std::vector<std::uint32_t> pixels;
        std::uint64_t generation = 0;
        // Set by a job that indexed the types; the worker keeps its own copy
        // for the pictures after it, so the two threads never share a write.
        std::shared_ptr<const core::FileTypeIndex> types;
    };
    struct Job {
        const core::ScanResult* result = nullptr;
        std::uint64_t top = core::NoIndex;
        core::SizeMeasure measure = core::SizeMeasure::Logical;
        int width = 0;
        int height = 0;
        std::uint32_t highlight = core::FileTypeIndex::None;
        TreemapColours colours;
        bool indexTypes = false;
        std::uint64_t generation = 0;
    };

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnPaint();
    void Paint(HDC dc);
    LRESULT OnSize();
    LRESULT OnPictureReady();
    LRESULT OnLeftButtonDown(int x, int y);
    LRESULT OnDoubleClick(int x, int y);
    LRESULT OnMouseMove(int x, int y);
    LRESULT OnContextMenu(int x, int y);
    LRESULT OnKeyDown(WPARAM key);
    LRESULT OnFocusChange();

    void RequestPicture(bool indexTypes = false);
    void EndWorker();
    void WorkerLoop();
    std::uint64_t NodeAt(int x, int y) const;
    void MoveSelection(int dx, int dy);
    void UpdateTip(int x, int y);
    std::wstring TipText(std::uint64_t node) const;
    std::wstring ZoomedPathText() const;
    RECT PictureRect() const;
    int Scale(int value) const { return MulDiv(value, static_cast<int>(dpi_), 96); }

    TreemapEvents events_;
    HWND tip_ = nullptr;  // owned by the pane: destroyed with it
    HFONT font_ = nullptr;  // the window's, set by WM_SETFONT; not owned
    std::wstring tipText_;
    std::uint64_t tipNode_ = core::NoIndex;
    UINT dpi_ = 96;
    ThemePalette palette_;
    std::wstring locale_ = L"system";

    const core::ScanResult* result_ = nullptr;
    std::shared_ptr<const core::FileTypeIndex> types_;  // of the shown result, once indexed
    core::SizeMeasure measure_ = core::SizeMeasure::Logical;
    std::uint64_t zoomTop_ = core::NoIndex;
    std::uint64_t selection_ = core::NoIndex;
    std::uint32_t highlight_ = core::FileTypeIndex::None;
    std::uint64_t generation_ = 0;  // of the last picture asked for
    std::uint64_t acceptedFrom_ = 0;  // pictures up to this one were asked for a result since let go
    Picture shown_;                 // on screen; the window thread's own

    // The worker: one thread, at most one job waiting and one running.
    std::mutex mutex_;                // guards job_, hasJob_, busy_, ready_, stopping_ 
    std::condition_variable wake_;    // a job came, or the worker must stop
    std::condition_variable idle_;    // the worker finished a job
    Job job_;
    bool hasJob_ = false;
    bool busy_ = false;               // a job is running: it may be reading the result
    bool stopping_ = false;
    std::unique_ptr<Picture> ready_;  // finished, not yet taken by the window thread
    std::thread worker_;
};

}  // namespace varnel::ui
