#pragma once
// The search window (Ctrl+F): a name pattern, a minimum size and a range of
// modification days, and the matches of the shown result as a flat list
// (name, size, modified, path; each column sorts) with the rankings'
// context actions and a line giving their number and total size. The search
// runs on its own thread and hands its matches over in batches, so the first
// rows show at once on a result of millions of nodes; Stop, a new search or
// any change of the result cancels it.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "i18n/Localizer.h"
#include "model/Search.h"
#include "platform/WindowMessageTarget_win.h"
#include "ui/lists/ResultLists_win.h"
#include "ui/theme/GdiObjectCache_win.h"
#include "ui/theme/ThemePalette.h"

namespace varnel::ui {

inline constexpr wchar_t SearchWindowClassName[] = L"Varnel.SearchWindow";

class SearchWindow : private platform::WindowMessageTarget<SearchWindow> {
    friend class platform::WindowMessageTarget<SearchWindow>;

public:
    SearchWindow(i18n::Localizer& localizer, ResultLists& lists) : localizer_(localizer), lists_(lists) {}
    SearchWindow(const SearchWindow&) = delete;
    SearchWindow& operator=(const SearchWindow&) = delete;
    // Stops and joins a running search.
    ~SearchWindow();

    // Creates the window on first use (owned by `owner`), shows it and puts
    // the focus on the pattern. False when it cannot be created.
    bool Show(HWND owner, HINSTANCE instance, HFONT font, std::wstring locale);
    HWND Handle() const noexcept { return window_; }

    // Starts a search of the shown result for `criteria`, cancelling one
    // that runs; the controls are not read.
    void Start(const core::SearchCriteria& criteria);
    // Cancels and joins the search and forgets the matches: the result they
    // index is about to change.
    void StopBeforeResultChanges();
    // The result changed (a scan, a rescan, a deletion): the last search
    // runs again on it.
    void ResultChanged();

    // The theme of the list of matches (its colours, header and scroll
    // bars), also for a window made later.
    void SetPalette(const ThemePalette& palette);

    // Tab, Enter and Esc in the window, as in a dialog; true when used.
    bool TranslateKeyboard(MSG& message);

    bool IsSearching() const noexcept { return worker_.joinable(); }
    const std::vector<std::uint64_t>& Matches() const noexcept { return matches_; }
    std::uint64_t MatchedBytes() const noexcept { return matchedBytes_; }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool CreateControls(HINSTANCE instance);
    void Layout();
    LRESULT OnCommand(int id);
    LRESULT OnNotify(NMHDR& header);
    LRESULT OnBatch(WPARAM generation);
    LRESULT OnContextMenu(int x, int y);
    LRESULT OnEraseBackground(HDC dc);
    LRESULT OnControlColour(UINT message, HDC dc);
    void StartFromControls();
    void Stop();
    void SortMatches();
    void ShowStatus();
    std::wstring CellText(std::uint64_t node, int column) const;
    std::uint64_t SelectedMatch() const;
    int Scale(int value) const;

    i18n::Localizer& localizer_;
    ResultLists& lists_;
    HWND owner_ = nullptr;
    HWND pattern_ = nullptr;
    HWND minimumSize_ = nullptr;
    HWND after_ = nullptr;
    HWND before_ = nullptr;
    HWND searchButton_ = nullptr;
    HWND stopButton_ = nullptr;
    HWND list_ = nullptr;
    void OnWindowDetached() noexcept { list_ = nullptr; }
    HWND status_ = nullptr;
    std::vector<HWND> labels_;
    HFONT font_ = nullptr;  // the main window's; not ours to delete
    std::optional<ThemePalette> palette_;  // none given yet: the system's colours
    GdiObjectCache brushes_;                // the palette's, for the fields and the background
    std::wstring locale_;
    std::wstring cellText_;  // the text a list cell was last handed

    core::SearchCriteria criteria_;
    bool hasSearched_ = false;
    std::vector<std::uint64_t> matches_;  // window thread only
    std::uint64_t matchedBytes_ = 0;
    int sortColumn_ = -1;  // -1: index order, as found
    bool sortDescending_ = false;

    std::thread worker_;
    std::atomic<bool> cancel_{false};  // set by the window thread to stop the worker
    // Told apart in the posted messages: a batch of a cancelled search that
    // arrives late must not join the next search's matches.
    WPARAM generation_ = 0;
    std::mutex mutex_;                      // guards the three fields below
    std::vector<std::uint64_t> arrived_;    // matches the worker found and the window has not taken
    bool finished_ = false;                 // the worker has looked at every node
    bool posted_ = false;                   // a batch message is on its way: no second one
};

}  // namespace varnel::ui
