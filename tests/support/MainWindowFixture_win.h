#pragma once
// A real main window under test: data and settings in temporary folders, the
// English texts shipped beside the test program, and the waits a test needs
// while a scan runs on another thread.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "i18n/Localizer.h"
#include "support/TempFolder.h"
#include "support/WindowTestSupport_win.h"
#include "ui/window/MainWindow.h"

namespace varnel::testing {

// The title of a window, or the status bar's leading text.
inline std::wstring WindowText(HWND window) {
    wchar_t buffer[1024]{};
    ::GetWindowTextW(window, buffer, 1024);
    return buffer;
}

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
        ::InitCommonControlsEx(&controls);
        settings.Folder(L"program");
    }
    void TearDown() override { Close(); }

    // Settings in their temporary folder, the English texts beside the program.
    ui::MainWindowOptions Options() const {
        ui::MainWindowOptions options;
        options.settings.programFolder = settings.At(L"program");
        options.settings.localAppDataFolder = settings.At(L"appdata");
        options.localizer = std::make_unique<i18n::Localizer>(TestProgramFolder() + L"\\resources\\strings",
                                                              [] { return std::wstring(L"en-US"); });
        return options;
    }
    // Makes and shows the window; false when it could not be made.
    bool Open(ui::MainWindowOptions options) {
        window = std::make_unique<ui::MainWindow>(::GetModuleHandleW(nullptr), std::move(options));
        if (!window->Create()) {
            return false;
        }
        ::ShowWindow(window->Handle(), SW_SHOWNORMAL);
        PumpMessages();
        return true;
    }
    bool Open() { return Open(Options()); }
    // The destroyed window posts WM_QUIT; left in the queue it would end the
    // modal loops of whichever test runs next (the dialog tests did fail so).
    void Close() {
        window.reset();
        PumpMessages();
        DiscardQuitMessages();
    }

    HWND Control(int id) const { return ::GetDlgItem(window->Handle(), id); }
    void Command(int id) { ::SendMessageW(window->Handle(), WM_COMMAND, static_cast<WPARAM>(id), 0); }
    // The text of the status bar's pane `index`.
    std::wstring StatusText(int index) const {
        wchar_t text[1024]{};
        ::SendMessageW(Control(ui::StatusBarId), SB_GETTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return text;
    }

    // Pumps the window's messages (through `keyboard` first, as the
    // program's loop does) while `condition` holds, for at most a minute.
    template <class Condition>
    void WaitWhile(Condition condition) {
        WaitWhile(condition, [](MSG&) { return false; });
    }
    template <class Condition, class Keyboard>
    void WaitWhile(Condition condition, Keyboard keyboard) {
        const ULONGLONG deadline = ::GetTickCount64() + 60'000;
        while (condition() && ::GetTickCount64() < deadline) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            PumpThrough(keyboard);
        }
    }
    // Scans `folder` with the Scan button and waits for the result: the lists
    // let the old result go when a scan starts, so its status is None until then.
    // Then for its snapshot, after which the window compares it with the
    // last, and for that comparison.
    core::ScanStatus Scan(const std::wstring& folder) {
        window->ChooseFolder(folder);
        Command(ui::ScanButtonId);
        WaitWhile([&] { return window->Result().status == core::ScanStatus::None; });
        window->WaitForSnapshot();
        PumpMessages();
        WaitForComparison();
        return window->Result().status;
    }
    // The comparison is made on a worker; its outcome shows with its message.
    void WaitForComparison() {
        window->WaitForComparison();
        PumpMessages();
    }

    TempFolder data;
    TempFolder settings;
    std::unique_ptr<ui::MainWindow> window;
};

}  // namespace varnel::testing
