#pragma once
// The main window's status bar: part 0 carries the progress and summary
// texts, part 1 the notices that tell the user something did not happen
// (or did, out of sight). Painted in the theme's colours: the control's own
// painting keeps black text, unreadable on a dark panel.

#include <windows.h>

#include <cstdint>
#include <string>

#include "i18n/Localizer.h"
#include "ui/theme/ThemePalette.h"

namespace varnel::ui {

enum StatusPart : int { StatusMainPart = 0, StatusNoticePart = 1 };

enum class StatusTextState : std::uint32_t { None = 0, Progress = 2, Summary = 3 };

class StatusBar {
public:
    explicit StatusBar(i18n::Localizer& localizer) : localizer_(localizer) {}
    StatusBar(const StatusBar&) = delete;
    StatusBar& operator=(const StatusBar&) = delete;

    // False when the control cannot be created.
    bool Create(HWND parent, HINSTANCE instance, int id);
    HWND Handle() const noexcept { return bar_; }

    void SetPalette(const ThemePalette& palette);
    // Follows the parent's new client width; notices get the right part.
    void Layout(int clientWidth, UINT dpi);

    // Part 0, with what it shows now (re-translated on a language change).
    void SetMainText(StatusTextState state, const std::wstring& text);
    StatusTextState MainState() const noexcept { return state_; }

    // A notice by its text key; the key is kept so that the notice follows
    // a language change.
    // `detail` follows the translated text as it is (the system's reason
    // for a failure), also after the language changes.
    void ShowNotice(std::string key, std::wstring detail = {});
    // A notice already in words (an engine's own sentence).
    void ShowNoticeText(const std::wstring& text);
    void ClearNotice();
    const std::string& NoticeKey() const noexcept { return noticeKey_; }
    void RetranslateNotice();

private:
    static LRESULT CALLBACK Paint(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data);
    void OnPaint();

    i18n::Localizer& localizer_;
    HWND bar_ = nullptr;
    ThemePalette palette_;
    StatusTextState state_ = StatusTextState::None;
    std::string noticeKey_;
    std::wstring noticeDetail_;
    // Set again whenever the parts change: a notice given before the bar
    // was first laid out (a settings notice at start-up) went to a part that
    // did not exist yet, and was lost.
    std::wstring noticeText_;
};

}  // namespace varnel::ui
