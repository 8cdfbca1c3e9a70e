#pragma once
// Helpers for tests that drive real windows in this process.

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace varnel::testing {

// The folder of the running test program (string tables are copied there).
inline std::wstring TestProgramFolder() {
    wchar_t path[MAX_PATH]{};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.rfind(L'\\'));
}

inline std::wstring ListText(HWND list, int row, int column) {
    wchar_t buffer[1024]{};
    ListView_GetItemText(list, row, column, buffer, 1024);
    return buffer;
}

inline void PumpMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// The program's own loop: `keyboard` (the main window's TranslateKeyboard)
// sees each message first.
template <class Keyboard>
void PumpThrough(Keyboard&& keyboard) {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!keyboard(message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

// A key pressed and released on the focused window (or `fallback`), with
// Shift held when asked, as the keyboard would post it.
template <class Keyboard>
void PressKey(Keyboard&& keyboard, HWND fallback, UINT key, bool shift = false) {
    BYTE state[256]{};
    ::GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(state);
    const HWND target = ::GetFocus() != nullptr ? ::GetFocus() : fallback;
    const UINT down = key == VK_F10 ? WM_SYSKEYDOWN : WM_KEYDOWN;
    ::PostMessageW(target, down, key, 1);
    ::PostMessageW(target, down + 1, key, static_cast<LPARAM>(0xC0000001));
    PumpThrough(keyboard);
    state[VK_SHIFT] = 0;
    ::SetKeyboardState(state);
}

// A main window that is destroyed posts the quit message, as it must for the
// program; in a test process the next modal loop would take it as a request
// to end, so tests remove it after closing a window.
inline void DiscardQuitMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

}  // namespace varnel::testing
