// The three modal dialogs over a real owner window, driven from this thread
// by a timer that fires inside their modal loops. The whole suite also runs
// once more in a child process at 144 DPI (see AllDialogTestsPassAt144Dpi).

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "i18n/LanguageCatalog.h"
#include "i18n/Localizer.h"
#include "platform/ProgramFolder.h"
#include "support/ChildProcess_win.h"
#include "support/WindowTextFit_win.h"
#include "ui/dialogs/AboutDialog_win.h"
#include "ui/dialogs/ModalDialog_win.h"
#include "ui/dialogs/ScanSettingsDialog_win.h"
#include "ui/dialogs/StartupPrivilegeDialog_win.h"

namespace varnel::ui {
namespace {

constexpr wchar_t DpiVariable[] = L"VARNEL_DIALOG_TEST_DPI";

bool RunningUnderWine() {
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The DPI this process was started for: the child run says so; under Wine
// the parent runs at the prefix's 96; on Windows whatever the system has.
UINT ExpectedDpi() {
    wchar_t value[16]{};
    if (::GetEnvironmentVariableW(DpiVariable, value, 16) > 0) {
        return static_cast<UINT>(std::wcstoul(value, nullptr, 10));
    }
    return RunningUnderWine() ? 96 : 0;
}

std::wstring TextOf(HWND window) {
    wchar_t buffer[4096]{};
    ::GetWindowTextW(window, buffer, 4096);
    return buffer;
}

std::wstring ClassOf(HWND window) {
    wchar_t buffer[256]{};
    ::GetClassNameW(window, buffer, 256);
    return buffer;
}

HWND FindThreadWindow(const wchar_t* className, HWND owner = nullptr) {
    struct Search {
        const wchar_t* className;
        HWND owner;
        HWND found;
    } search{className, owner, nullptr};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            if (::lstrcmpiW(ClassOf(window).c_str(), s.className) != 0) {
                return TRUE;
            }
            if (s.owner != nullptr && ::GetWindow(window, GW_OWNER) != s.owner) {
                return TRUE;
            }
            s.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Runs steps one per tick of a thread timer while a dialog's modal loop
// pumps. A step gets the open dialog and returns false to be tried again on
// the next tick (a message box that is not up yet). Ticks nest: a step that
// opens a message box sees the next step run inside that box's loop.
class DialogScript {
public:
    using Step = std::function<bool(HWND dialog)>;

    DialogScript(const wchar_t* className, std::vector<Step> steps)
        : className_(className), steps_(std::move(steps)), deadline_(::GetTickCount64() + 20'000) {
        current_ = this;
        timer_ = ::SetTimer(nullptr, 0, 30, &DialogScript::Tick);
    }
    ~DialogScript() {
        ::KillTimer(nullptr, timer_);
        current_ = nullptr;
        EXPECT_EQ(next_, steps_.size()) << "the dialog ended before the script did";
    }
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        DialogScript* self = current_;
        if (self == nullptr || self->next_ == self->steps_.size()) {
            return;
        }
        const HWND dialog = FindThreadWindow(self->className_);
        if (dialog == nullptr) {
            return;
        }
        if (::GetTickCount64() > self->deadline_) {
            ADD_FAILURE() << "dialog script timed out at step " << self->next_;
            self->next_ = self->steps_.size();
            if (const HWND box = FindThreadWindow(L"#32770", dialog)) {
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
            ::PostMessageW(dialog, WM_CLOSE, 0, 0);
            return;
        }
        // Advance first: the step may run a nested loop that ticks again.
        const std::size_t index = self->next_++;
        if (!self->steps_[index](dialog)) {
            --self->next_;
        }
    }

    static inline DialogScript* current_ = nullptr;
    const wchar_t* className_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    ULONGLONG deadline_;
    UINT_PTR timer_ = 0;
};

// The fields the scan settings dialog may change.
auto Choice(const ScanSettingsDialogState& state) {
    return std::tuple(state.threadsPerDrive, state.showPrompt, state.suppressPrompt, state.alwaysElevated);
}

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0));
    EXPECT_EQ(::GetObjectW(handle, sizeof font, &font), static_cast<int>(sizeof font));
    return font;
}

class DialogTest : public ::testing::Test {
protected:
    // One owner for the suite: under Wine without a window manager each
    // destroyed top-level window costs two seconds.
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
        ::InitCommonControlsEx(&controls);
        ::SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"Varnel.Test.DialogOwner";
        ::RegisterClassW(&windowClass);  // a second registration fails harmlessly
        owner = ::CreateWindowExW(0, windowClass.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW, 40, 30, 1100, 900,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
        ::ShowWindow(owner, SW_SHOWNORMAL);
    }

    static void TearDownTestSuite() {
        ::DestroyWindow(owner);
        owner = nullptr;
    }

    void SetUp() override {
        ASSERT_NE(owner, nullptr);
        ASSERT_TRUE(::IsWindowEnabled(owner));
        dpi = ::GetDpiForWindow(owner);
        if (ExpectedDpi() != 0) {
            ASSERT_EQ(dpi, ExpectedDpi());
        }
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        ASSERT_TRUE(::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi));
        messageFont = metrics.lfMessageFont;
    }


    // Class, title, centring, the disabled owner, every child's font; every
    // text fits.
    void ExpectFrame(HWND dialog, const wchar_t* className, const std::wstring& title) {
        EXPECT_EQ(ClassOf(dialog), className);
        EXPECT_EQ(TextOf(dialog), title);
        EXPECT_FALSE(::IsWindowEnabled(owner));
        EXPECT_EQ(::GetWindow(dialog, GW_OWNER), owner);
        varnel::testing::ExpectTextsFit(dialog, "English");
        RECT ownerRect{};
        RECT dialogRect{};
        ::GetWindowRect(owner, &ownerRect);
        ::GetWindowRect(dialog, &dialogRect);
        EXPECT_EQ(dialogRect.left, ownerRect.left + ((ownerRect.right - ownerRect.left) - (dialogRect.right - dialogRect.left)) / 2);
        EXPECT_EQ(dialogRect.top, ownerRect.top + ((ownerRect.bottom - ownerRect.top) - (dialogRect.bottom - dialogRect.top)) / 2);

        for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
            EXPECT_EQ(FontOf(child).lfHeight, messageFont.lfHeight) << "the message font for the owner's DPI";
        }
    }

    // After the dialog: its window is gone, the owner usable again and the
    // fonts it made deleted.
    void ExpectEnded(HWND dialog, const std::vector<HGDIOBJ>& fonts) {
        EXPECT_FALSE(::IsWindow(dialog));
        EXPECT_TRUE(::IsWindowEnabled(owner));
        for (HGDIOBJ font : fonts) {
            EXPECT_EQ(::GetObjectType(font), 0u) << "font not deleted";
        }
    }

    std::unique_ptr<i18n::Localizer> english = std::make_unique<i18n::Localizer>(
        platform::ProgramFolder() + L"\\resources\\strings", [] { return std::wstring(L"en-US"); });
    static inline HWND owner = nullptr;
    UINT dpi = 96;
    LOGFONTW messageFont{};
};

TEST_F(DialogTest, StartupPromptLayoutFontsAndAdministratorAnswer) {
    HWND seen = nullptr;
    std::vector<HGDIOBJ> fonts;
    StartupPrivilegeChoice choice;
    {
        DialogScript script(StartupPrivilegeDialogClassName, {
            [&](HWND dialog) {
                seen = dialog;
                ExpectFrame(dialog, StartupPrivilegeDialogClassName, L"Start Varnel");
                HWND first = ::GetWindow(dialog, GW_CHILD);
                HWND heading = ::GetWindow(first, GW_HWNDNEXT);
                EXPECT_EQ(FontOf(first).lfWeight, messageFont.lfWeight);
                EXPECT_EQ(FontOf(heading).lfWeight, 600);
                fonts = {reinterpret_cast<HGDIOBJ>(::SendMessageW(first, WM_GETFONT, 0, 0)),
                         reinterpret_cast<HGDIOBJ>(::SendMessageW(heading, WM_GETFONT, 0, 0))};
                EXPECT_EQ(::IsDlgButtonChecked(dialog, StartupDontShowAgainId), static_cast<UINT>(BST_UNCHECKED));
                Click(dialog, StartupDontShowAgainId);
                Click(dialog, StartupAdministratorButtonId);
                return true;
            },
        });
        choice = ShowStartupPrivilegeDialog(::GetModuleHandleW(nullptr), owner, english.get());
    }
    EXPECT_TRUE(choice.done);
    EXPECT_EQ(choice.restartAsAdministrator, 1u);
    EXPECT_TRUE(choice.doNotShowAgain);
    ExpectEnded(seen, fonts);
}

TEST_F(DialogTest, StartupPromptStandardButtonAndCloseBoxBothMeanStandardUser) {
    struct Case {
        const char* name;
        bool tick;
        bool closeBox;
    };
    for (const Case& c : {Case{"standard button", false, false}, Case{"standard button, ticked", true, false},
                          Case{"close box, ticked", true, true}}) {
        SCOPED_TRACE(c.name);
        StartupPrivilegeChoice choice;
        {
            DialogScript script(StartupPrivilegeDialogClassName, {
                [&](HWND dialog) {
                    // Without a localizer every text is its own key.
                    EXPECT_EQ(TextOf(dialog), L"dialog.startup.title");
                    if (c.tick) {
                        Click(dialog, StartupDontShowAgainId);
                    }
                    if (c.closeBox) {
                        ::SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
                    } else {
                        Click(dialog, StartupStandardButtonId);
                    }
                    return true;
                },
            });
            choice = ShowStartupPrivilegeDialog(::GetModuleHandleW(nullptr), owner, nullptr);
        }
        EXPECT_TRUE(choice.done);
        EXPECT_EQ(choice.restartAsAdministrator, 0u);
        EXPECT_EQ(choice.doNotShowAgain, c.tick);
        EXPECT_TRUE(::IsWindowEnabled(owner));
    }
}

TEST_F(DialogTest, ScanSettingsLayoutListAndCancelKeepsTheState) {
    app::AppSettings settings;
    settings.threadsPerDrive = 3;
    settings.showAdminPromptOnStartup = true;
    ScanSettingsDialogState state = MakeScanSettingsDialogState(settings, 6, english.get());
    const ScanSettingsDialogState before = state;
    HWND seen = nullptr;
    bool accepted = true;
    {
        DialogScript script(ScanSettingsDialogClassName, {
            [&](HWND dialog) {
                seen = dialog;
                ExpectFrame(dialog, ScanSettingsDialogClassName, L"Scan settings");
                const HWND list = ::GetDlgItem(dialog, ScanSettingsThreadListId);
                EXPECT_EQ(state.threadList, list);
                EXPECT_EQ(::SendMessageW(list, CB_GETCOUNT, 0, 0), 6);
                for (int i = 0; i < 6; ++i) {
                    wchar_t item[16]{};
                    ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
                    EXPECT_EQ(std::wstring(item), std::to_wstring(i + 1));
                }
                EXPECT_EQ(::SendMessageW(list, CB_GETCURSEL, 0, 0), 2);
                EXPECT_EQ(::IsDlgButtonChecked(dialog, ScanSettingsAskAdminId), static_cast<UINT>(BST_CHECKED));
                // Changes that Cancel must throw away.
                ::SendMessageW(list, CB_SETCURSEL, 5, 0);
                Click(dialog, ScanSettingsAlwaysAdminId);
                Click(dialog, ScanSettingsCancelId);
                return true;
            },
        });
        accepted = ShowScanSettingsDialog(::GetModuleHandleW(nullptr), owner, state);
    }
    EXPECT_FALSE(accepted);
    EXPECT_TRUE(state.done);
    EXPECT_EQ(Choice(state), Choice(before));
    ExpectEnded(seen, {});
}

// One row per way through OK, with the two boxes' dependency rule on the way.
TEST_F(DialogTest, ScanSettingsOkAppliesTheBoxesAndTheDependencyRule) {
    struct Case {
        const char* name;
        std::uint32_t threads;  // in; 0 and above the maximum are shown limited
        bool show, suppress, always;
        std::function<void(HWND)> act;
        std::uint32_t shownIndex;
        std::uint32_t threadsOut;
        bool showOut, suppressOut, alwaysOut;
    };
    const auto tickAlwaysTwice = [](HWND dialog) {
        const HWND ask = ::GetDlgItem(dialog, ScanSettingsAskAdminId);
        Click(dialog, ScanSettingsAlwaysAdminId);
        EXPECT_EQ(::IsDlgButtonChecked(dialog, ScanSettingsAskAdminId), static_cast<UINT>(BST_UNCHECKED));
        EXPECT_FALSE(::IsWindowEnabled(ask));
        Click(dialog, ScanSettingsAlwaysAdminId);
        EXPECT_TRUE(::IsWindowEnabled(ask));
        EXPECT_EQ(::IsDlgButtonChecked(dialog, ScanSettingsAskAdminId), static_cast<UINT>(BST_UNCHECKED))
            << "the ask box's tick is not restored";
    };
    const Case cases[] = {
        {"both boxes cleared: prompt off, suppress kept", 2, true, true, false,
         [&](HWND dialog) { tickAlwaysTwice(dialog); Click(dialog, ScanSettingsOkId); }, 1, 2, false, true, false},
        {"ask ticked: prompt back on, suppress cleared", 0, false, true, false,
         [](HWND dialog) {
             ::SendMessageW(::GetDlgItem(dialog, ScanSettingsThreadListId), CB_SETCURSEL, 3, 0);
             Click(dialog, ScanSettingsAskAdminId);
             Click(dialog, ScanSettingsOkId);
         },
         0, 4, true, false, false},
        {"always ticked from the start: ask greyed, both flags cleared", 99, true, true, true,
         [](HWND dialog) {
             EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog, ScanSettingsAskAdminId)));
             EXPECT_EQ(::IsDlgButtonChecked(dialog, ScanSettingsAskAdminId), static_cast<UINT>(BST_UNCHECKED));
             Click(dialog, ScanSettingsOkId);
         },
         4, 5, false, false, true},
        {"Enter acts as OK", 3, false, false, false,
         [](HWND dialog) { ::PostMessageW(dialog, WM_KEYDOWN, VK_RETURN, 0); }, 2, 3, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScanSettingsDialogState state;
        state.threadsPerDrive = c.threads;
        state.maximumThreads = 5;
        state.showPrompt = c.show;
        state.suppressPrompt = c.suppress;
        state.alwaysElevated = c.always;
        bool accepted = false;
        {
            DialogScript script(ScanSettingsDialogClassName, {
                [&](HWND dialog) {
                    EXPECT_EQ(::SendMessageW(::GetDlgItem(dialog, ScanSettingsThreadListId), CB_GETCURSEL, 0, 0),
                              static_cast<LRESULT>(c.shownIndex));
                    c.act(dialog);
                    return true;
                },
            });
            accepted = ShowScanSettingsDialog(::GetModuleHandleW(nullptr), owner, state);
        }
        EXPECT_TRUE(accepted);
        EXPECT_EQ(Choice(state), std::tuple(c.threadsOut, c.showOut, c.suppressOut, c.alwaysOut));
    }
}

TEST_F(DialogTest, ScanSettingsOkWithoutSelectionWarnsAndStaysOpen) {
    ScanSettingsDialogState state;
    state.threadsPerDrive = 2;
    state.maximumThreads = 4;
    state.localizer = english.get();
    bool warned = false;
    bool accepted = true;
    {
        DialogScript script(ScanSettingsDialogClassName, {
            [&](HWND dialog) {
                ::SendMessageW(::GetDlgItem(dialog, ScanSettingsThreadListId), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
                Click(dialog, ScanSettingsOkId);  // returns once the next step has closed the box
                EXPECT_TRUE(warned);
                EXPECT_TRUE(::IsWindow(dialog)) << "the dialog stays open";
                EXPECT_FALSE(state.done);
                return true;
            },
            [&](HWND dialog) {
                const HWND box = FindThreadWindow(L"#32770", dialog);
                if (box == nullptr) {
                    return false;
                }
                warned = true;
                EXPECT_EQ(TextOf(box), L"Varnel");
                EXPECT_NE(::FindWindowExW(box, nullptr, nullptr, L"Choose a number of threads from the list."), nullptr);
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                return true;
            },
            [&](HWND dialog) {
                ::PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);  // Escape acts as Cancel
                return true;
            },
        });
        accepted = ShowScanSettingsDialog(::GetModuleHandleW(nullptr), owner, state);
    }
    EXPECT_TRUE(warned);
    EXPECT_FALSE(accepted);
    EXPECT_EQ(state.threadsPerDrive, 2u);
}

TEST_F(DialogTest, AboutBoxShowsNameVersionCopyrightAndLicence) {
    HWND seen = nullptr;
    {
        DialogScript script(AboutDialogClassName, {
            [&](HWND dialog) {
                seen = dialog;
                ExpectFrame(dialog, AboutDialogClassName, L"About Varnel");
                const std::wstring version = std::wstring(L"Version\u00A0") + ProgramVersionWide;
                for (const wchar_t* text : {version.c_str(), L"Varnel is free software under the MIT License."})
                    EXPECT_NE(::FindWindowExW(dialog, nullptr, WC_STATICW, text), nullptr) << text;
                const HWND licence = ::GetDlgItem(dialog, AboutLicenceTextId);
                EXPECT_NE(TextOf(licence).find(L"MIT License"), std::wstring::npos);
                DWORD start = 1;
                DWORD end = 1;
                ::SendMessageW(licence, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
                EXPECT_EQ(start, 0u);
                EXPECT_EQ(end, 0u);
                const LONG_PTR style = ::GetWindowLongPtrW(licence, GWL_STYLE);
                EXPECT_TRUE((style & ES_READONLY) != 0 && (style & ES_MULTILINE) != 0);
                Click(dialog, AboutCloseId);
                return true;
            },
        });
        ShowAboutDialog(::GetModuleHandleW(nullptr), owner, english.get());
    }
    ExpectEnded(seen, {});
}

// Every translation in every dialog, at this process's DPI (96, and 144 in
// the child run below): no text may be cut.
TEST_F(DialogTest, EveryTranslationFitsItsControls) {
    for (const auto& language : i18n::LanguageCatalog) {
        const std::wstring code(language.code);
        const std::string name(code.begin(), code.end());
        i18n::Localizer localizer(platform::ProgramFolder() + L"\\resources\\strings", [&] { return code; });
        const auto check = [&](const wchar_t* className, const std::function<void()>& show) {
            DialogScript script(className, {[&](HWND dialog) {
                varnel::testing::ExpectTextsFit(dialog, name);
                ::PostMessageW(dialog, WM_CLOSE, 0, 0);
                return true;
            }});
            show();
        };
        check(StartupPrivilegeDialogClassName,
              [&] { ShowStartupPrivilegeDialog(::GetModuleHandleW(nullptr), owner, &localizer); });
        ScanSettingsDialogState state = MakeScanSettingsDialogState(app::AppSettings{}, 64, &localizer);
        check(ScanSettingsDialogClassName, [&] { ShowScanSettingsDialog(::GetModuleHandleW(nullptr), owner, state); });
        check(AboutDialogClassName, [&] { ShowAboutDialog(::GetModuleHandleW(nullptr), owner, &localizer); });
    }
}

// Keys a keyboard user has: Esc closes every dialog as its cancel button,
// the default button starts with the focus, and Tab reaches every control
// that takes input.
TEST_F(DialogTest, EscClosesEveryDialogAndTabReachesEveryControl) {
    const auto press = [](HWND window, UINT key) {
        ::PostMessageW(window, WM_KEYDOWN, key, 1);
        ::PostMessageW(window, WM_KEYUP, key, 0xC0000001);
    };
    const auto check = [&](const wchar_t* className, int defaultId, const std::vector<int>& tabOrder,
                           const std::function<void()>& show) {
        SCOPED_TRACE(::testing::Message() << className);
        std::vector<int> visited;
        DialogScript script(className, {
            [&](HWND) {
                EXPECT_EQ(::GetDlgCtrlID(::GetFocus()), defaultId);
                press(::GetFocus(), VK_TAB);
                return true;
            },
            [&](HWND) {
                visited.push_back(::GetDlgCtrlID(::GetFocus()));
                if (visited.size() < tabOrder.size()) {
                    press(::GetFocus(), VK_TAB);
                    return false;
                }
                press(::GetFocus(), VK_ESCAPE);
                return true;
            },
        });
        show();
        EXPECT_EQ(visited, tabOrder);
    };
    StartupPrivilegeChoice choice;
    check(StartupPrivilegeDialogClassName, StartupAdministratorButtonId,
          {StartupStandardButtonId, StartupDontShowAgainId, StartupAdministratorButtonId},
          [&] { choice = ShowStartupPrivilegeDialog(::GetModuleHandleW(nullptr), owner, english.get()); });
    EXPECT_EQ(choice.restartAsAdministrator, 0u);
    ScanSettingsDialogState state = MakeScanSettingsDialogState(app::AppSettings{}, 4, english.get());
    bool accepted = true;
    check(ScanSettingsDialogClassName, ScanSettingsOkId,
          {ScanSettingsCancelId, ScanSettingsThreadListId, ScanSettingsAskAdminId, ScanSettingsAlwaysAdminId,
           ScanSettingsOkId},
          [&] { accepted = ShowScanSettingsDialog(::GetModuleHandleW(nullptr), owner, state); });
    EXPECT_FALSE(accepted);
    check(AboutDialogClassName, AboutCloseId, {AboutLicenceTextId, AboutCloseId},
          [&] { ShowAboutDialog(::GetModuleHandleW(nullptr), owner, english.get()); });
}

// A quit request that arrives while a dialog is open must end the dialog
// and still reach the program's own loop with its exit code.
TEST_F(DialogTest, QuitMessageEndsEachDialogAndIsPostedAgain) {
    struct Case {
        const wchar_t* className;
        std::function<void()> show;
    };
    StartupPrivilegeChoice choice;
    ScanSettingsDialogState state;
    state.maximumThreads = 2;
    bool accepted = true;
    const Case cases[] = {
        {StartupPrivilegeDialogClassName,
         [&] { choice = ShowStartupPrivilegeDialog(::GetModuleHandleW(nullptr), owner, nullptr); }},
        {ScanSettingsDialogClassName, [&] { accepted = ShowScanSettingsDialog(::GetModuleHandleW(nullptr), owner, state); }},
        {AboutDialogClassName, [&] { ShowAboutDialog(::GetModuleHandleW(nullptr), owner, nullptr); }},
    };
    int code = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.className);
        HWND seen = nullptr;
        {
            DialogScript script(c.className, {
                [&](HWND dialog) {
                    seen = dialog;
                    ::PostQuitMessage(++code);
                    return true;
                },
            });
            c.show();
        }
        EXPECT_FALSE(::IsWindow(seen)) << "the window outlived its call";
        EXPECT_TRUE(::IsWindowEnabled(owner));
        MSG message{};
        ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "quit request lost";
        EXPECT_EQ(message.wParam, static_cast<WPARAM>(code));
    }
    EXPECT_EQ(choice.restartAsAdministrator, 0u);
    EXPECT_FALSE(accepted);
}

// Every test above once more in a child process that Wine starts at 144 DPI
// (the per-user LogPixels value, read when a process starts). Real Windows
// would take that value only at the next sign-in, so there the suite runs at
// the system's own DPI only.
TEST(DialogDpi, AllDialogTestsPassAt144Dpi) {
    if (ExpectedDpi() == 144) {
        GTEST_SKIP() << "this is the child run";
    }
    if (!RunningUnderWine()) {
        GTEST_SKIP() << "the DPI of a new process can be set only under Wine";
    }
    HKEY desktop = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                nullptr, &desktop, nullptr),
              ERROR_SUCCESS);
    DWORD previous = 0;
    DWORD size = sizeof previous;
    const bool hadValue =
        ::RegQueryValueExW(desktop, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&previous), &size) == ERROR_SUCCESS;
    const DWORD highDpi = 144;
    ASSERT_EQ(::RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&highDpi), sizeof highDpi),
              ERROR_SUCCESS);

    const std::wstring command = L"\"" + platform::ProgramFilePath() +
                                 L"\" --gtest_brief=1 --gtest_filter=DialogTest.*:MainWindowTextFit.*";
    ::SetEnvironmentVariableW(DpiVariable, L"144");
    const std::optional<DWORD> exitCode = varnel::testing::RunChild(command, 300'000);
    ::SetEnvironmentVariableW(DpiVariable, nullptr);
    // The rest of the prefix's users expect 96 again.
    if (hadValue) {
        ::RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous), sizeof previous);
    } else {
        ::RegDeleteValueW(desktop, L"LogPixels");
    }
    ::RegCloseKey(desktop);
    EXPECT_EQ(exitCode, std::optional<DWORD>(0)) << "dialog tests failed or hung at 144 DPI; see the child's output above";
}

}  // namespace
}  // namespace varnel::ui
