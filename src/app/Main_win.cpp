// Entry point of the Varnel window program: varnel.exe [/?] [PATH...].

#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "app/CommandLine_win.h"
#include "i18n/Localizer.h"
#include "platform/Drives.h"
#include "ui/window/MainWindow.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // Before the window lists the drives: an empty card reader must not
    // raise a "No Disk" dialog.
    varnel::platform::FailCriticalErrorsSilently();
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    ::InitCommonControlsEx(&controls);

    const varnel::app::ProgramArguments arguments = varnel::app::ReadProgramArguments();
    if (arguments.showUsage) {
        varnel::i18n::Localizer localizer;
        localizer.SetLanguage(L"system");
        ::MessageBoxW(nullptr, localizer.Translate("dialog.usage.text").c_str(), L"Varnel", MB_ICONINFORMATION | MB_OK);
        return 0;
    }

    auto window = std::make_unique<varnel::ui::MainWindow>(instance);
    if (!window->Create()) {
        // Before any text table is read, so in the one language always there.
        ::MessageBoxW(nullptr, L"Varnel could not create its window.", L"Varnel", MB_ICONERROR | MB_OK);
        return 1;
    }
    const bool plainShow = showCommand == SW_SHOWNORMAL || showCommand == SW_SHOWDEFAULT;
    ::ShowWindow(window->Handle(), plainShow && window->StartsMaximized() ? SW_SHOWMAXIMIZED : showCommand);
    ::UpdateWindow(window->Handle());
    if (!window->DecideElevation()) {
        return 0;  // an elevated copy carries on
    }
    if (!arguments.paths.empty()) {
        window->ScanPaths(arguments.paths);
    }

    MSG message{};
    int exitCode = 0;
    for (;;) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            exitCode = got == 0 ? static_cast<int>(message.wParam) : 0;
            break;
        }
        if (!window->TranslateKeyboard(message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    // Stops and joins a running scan before the process ends.
    window.reset();
    return exitCode;
}
