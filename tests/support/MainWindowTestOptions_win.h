#pragma once
// What a main window under test is built from: settings in a temporary
// folder and the English texts shipped beside the test program.

#include <memory>

#include "i18n/Localizer.h"
#include "support/TempFolder_win.h"
#include "support/WindowTestSupport_win.h"
#include "ui/MainWindow.h"

namespace varnel::testing {

inline ui::MainWindowOptions MainWindowTestOptions(const TempFolder& settings) {
    ui::MainWindowOptions options;
    options.settings.programFolder = settings.At(L"program");
    options.settings.localAppDataFolder = settings.At(L"appdata");
    options.localizer = std::make_unique<i18n::Localizer>(TestProgramFolder() + L"\\resources\\strings",
                                                          [] { return std::wstring(L"en-US"); });
    return options;
}

}  // namespace varnel::testing
