// The start-up elevation decision through its seam: under Wine every
// process is an administrator, so the standard-user rows play the system.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/Elevation_win.h"

namespace varnel::app {
namespace {

struct FakeSystem {
    bool administrator = false;
    std::uint32_t restart = 0;
    bool tick = false;
    RelaunchResult relaunchResult = RelaunchResult::Started;
    bool saveSucceeds = true;

    std::vector<std::string> calls;
    std::vector<AppSettings> saved;

    ElevationServices Services() {
        return {
            [this] { return administrator; },
            [this] {
                calls.emplace_back("prompt");
                ui::StartupPrivilegeChoice choice;
                choice.done = true;
                choice.restartAsAdministrator = restart;
                choice.doNotShowAgain = tick;
                return choice;
            },
            [this] {
                calls.emplace_back("relaunch");
                return relaunchResult;
            },
            [this](const AppSettings& settings) {
                calls.emplace_back("save");
                saved.push_back(settings);
                return saveSucceeds;
            },
        };
    }
};

AppSettings Preferences(bool always, bool show, bool suppress) {
    AppSettings settings;
    settings.alwaysStartAsAdministrator = always;
    settings.showAdminPromptOnStartup = show;
    settings.suppressAdminPrompt = suppress;
    return settings;
}

TEST(ElevationDecision, EveryRowOfTheTableAndEveryAnswer) {
    using Calls = std::vector<std::string>;
    using Notices = std::vector<std::string>;
    struct Case {
        const char* name;
        FakeSystem system;
        AppSettings settings;
        Calls calls;
        bool keepRunning;
        Notices notices;
        bool choiceSaved;  // the settings now hold "don't show again"
    };
    const auto fake = [](bool administrator, std::uint32_t restart, bool tick, RelaunchResult relaunch,
                           bool saveSucceeds) {
        FakeSystem made;
        made.administrator = administrator;
        made.restart = restart;
        made.tick = tick;
        made.relaunchResult = relaunch;
        made.saveSucceeds = saveSucceeds;
        return made;
    };
    const auto started = RelaunchResult::Started;
    const auto cancelled = RelaunchResult::Cancelled;
    const auto failed = RelaunchResult::Failed;
    std::vector<Case> cases = {
        {"administrator: nothing, whatever the settings", fake(true, 1, true, started, true),
         Preferences(true, true, false), {}, true, {}, false},
        {"always elevated: relaunched at once, over a suppressed prompt", fake(false, 0, false, started, true),
         Preferences(true, true, true), {"relaunch"}, false, {}, false},
        {"always elevated, consent declined", fake(false, 0, false, cancelled, true),
         Preferences(true, false, false), {"relaunch"}, true, {"status.admin_cancelled"}, false},
        {"always elevated, relaunch failed", fake(false, 0, false, failed, true), Preferences(true, false, false),
         {"relaunch"}, true, {"status.admin_failed"}, false},
        {"prompt switched off", fake(false, 1, true, started, true), Preferences(false, false, false), {}, true,
         {}, false},
        {"prompt suppressed", fake(false, 1, true, started, true), Preferences(false, true, true), {}, true, {},
         false},
        {"prompt, standard button: nothing saved", fake(false, 0, false, started, true),
         Preferences(false, true, false), {"prompt"}, true, {}, false},
        {"prompt, administrator button", fake(false, 1, false, started, true), Preferences(false, true, false),
         {"prompt", "relaunch"}, false, {}, false},
        {"prompt, administrator button, consent declined", fake(false, 1, false, cancelled, true),
         Preferences(false, true, false), {"prompt", "relaunch"}, true, {"status.admin_cancelled"}, false},
        {"prompt, ticked, administrator button: saved before the relaunch", fake(false, 1, true, started, true),
         Preferences(false, true, false), {"prompt", "save", "relaunch"}, false, {}, true},
        {"prompt, ticked, standard button", fake(false, 0, true, started, true), Preferences(false, true, false),
         {"prompt", "save"}, true, {}, true},
        {"prompt, ticked, save failed: the choice still holds for this run", fake(false, 0, true, started, false),
         Preferences(false, true, false), {"prompt", "save"}, true, {"status.save_failed"}, true},
        {"both notices, in order", fake(false, 1, true, failed, false), Preferences(false, true, false),
         {"prompt", "save", "relaunch"}, true, {"status.save_failed", "status.admin_failed"}, true},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppSettings settings = c.settings;
        const ElevationOutcome outcome = DecideElevationAtStartup(settings, c.system.Services());
        EXPECT_EQ(c.system.calls, c.calls);
        EXPECT_EQ(outcome.keepRunning, c.keepRunning);
        EXPECT_EQ(outcome.notices, c.notices);

        AppSettings expected = c.settings;
        if (c.choiceSaved) {
            expected.showAdminPromptOnStartup = false;
            expected.suppressAdminPrompt = true;
            ASSERT_EQ(c.system.saved.size(), 1u);
            EXPECT_EQ(c.system.saved[0], expected) << "the whole record is saved with the choice";
        }
        EXPECT_EQ(settings, expected);
    }
}

TEST(ElevationRelaunch, RunasStartsAProgramAndAnEmptyPathFails) {
    EXPECT_EQ(StartElevatedCopy(L""), RelaunchResult::Failed);
    // Real Windows would show its consent prompt here; Wine starts the
    // program as it is. A failing path is not tried: without
    // SEE_MASK_FLAG_NO_UI the shell reports it in a message box.
    if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) {
        GTEST_SKIP() << "would ask for consent";
    }
    wchar_t systemFolder[MAX_PATH]{};
    ASSERT_GT(::GetSystemDirectoryW(systemFolder, MAX_PATH), 0u);
    EXPECT_EQ(StartElevatedCopy(std::wstring(systemFolder) + L"\\hostname.exe"), RelaunchResult::Started);
}

}  // namespace
}  // namespace varnel::app
