// The start-up elevation decision through its seam: under Wine every
// process is an administrator, so the standard-user rows play the system.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "scan/Elevation_win.h"

namespace varnel::app {
namespace {

// How the played system answers.
struct Answers {
    bool administrator;
    std::uint32_t restart;  // the prompt's buttons
    bool tick;
    RelaunchResult relaunchResult;
    bool saveSucceeds;
};

struct FakeSystem {
    Answers answers;
    std::vector<std::string> calls;
    std::vector<AppSettings> saved;

    ElevationServices Services() {
        return {
            [this] { return answers.administrator; },
            [this] {
                calls.emplace_back("prompt");
                return PrivilegePromptAnswer{answers.restart != 0, answers.tick};
            },
            [this] {
                calls.emplace_back("relaunch");
                return answers.relaunchResult;
            },
            [this](const AppSettings& settings) {
                calls.emplace_back("save");
                saved.push_back(settings);
                return answers.saveSucceeds;
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
        Answers answers;
        AppSettings settings;
        Calls calls;
        bool keepRunning;
        Notices notices;
        bool choiceSaved;  // the settings now hold "don't show again"
    };
    const auto started = RelaunchResult::Started;
    const auto cancelled = RelaunchResult::Cancelled;
    const auto failed = RelaunchResult::Failed;
    std::vector<Case> cases = {
        {"administrator: nothing, whatever the settings", Answers{true, 1, true, started, true},
         Preferences(true, true, false), {}, true, {}, false},
        {"always elevated: relaunched at once, over a suppressed prompt", Answers{false, 0, false, started, true},
         Preferences(true, true, true), {"relaunch"}, false, {}, false},
        {"always elevated, consent declined", Answers{false, 0, false, cancelled, true},
         Preferences(true, false, false), {"relaunch"}, true, {"status.admin_cancelled"}, false},
        {"always elevated, relaunch failed", Answers{false, 0, false, failed, true}, Preferences(true, false, false),
         {"relaunch"}, true, {"status.admin_failed"}, false},
        {"prompt switched off", Answers{false, 1, true, started, true}, Preferences(false, false, false), {}, true,
         {}, false},
        {"prompt suppressed", Answers{false, 1, true, started, true}, Preferences(false, true, true), {}, true, {},
         false},
        {"prompt, standard button: nothing saved", Answers{false, 0, false, started, true},
         Preferences(false, true, false), {"prompt"}, true, {}, false},
        {"prompt, administrator button", Answers{false, 1, false, started, true}, Preferences(false, true, false),
         {"prompt", "relaunch"}, false, {}, false},
        {"prompt, administrator button, consent declined", Answers{false, 1, false, cancelled, true},
         Preferences(false, true, false), {"prompt", "relaunch"}, true, {"status.admin_cancelled"}, false},
        {"prompt, ticked, administrator button: saved before the relaunch", Answers{false, 1, true, started, true},
         Preferences(false, true, false), {"prompt", "save", "relaunch"}, false, {}, true},
        {"prompt, ticked, standard button", Answers{false, 0, true, started, true}, Preferences(false, true, false),
         {"prompt", "save"}, true, {}, true},
        {"prompt, ticked, save failed: the choice still holds for this run", Answers{false, 0, true, started, false},
         Preferences(false, true, false), {"prompt", "save"}, true, {"status.save_failed"}, true},
        {"both notices, in order", Answers{false, 1, true, failed, false}, Preferences(false, true, false),
         {"prompt", "save", "relaunch"}, true, {"status.save_failed", "status.admin_failed"}, true},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSystem system{c.answers, {}, {}};
        AppSettings settings = c.settings;
        const ElevationOutcome outcome = DecideElevationAtStartup(settings, system.Services());
        EXPECT_EQ(system.calls, c.calls);
        EXPECT_EQ(outcome.keepRunning, c.keepRunning);
        EXPECT_EQ(outcome.notices, c.notices);

        AppSettings expected = c.settings;
        if (c.choiceSaved) {
            expected.showAdminPromptOnStartup = false;
            expected.suppressAdminPrompt = true;
            ASSERT_EQ(system.saved.size(), 1u);
            EXPECT_EQ(system.saved[0], expected) << "the whole record is saved with the choice";
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
