#pragma once
// Where a remembered window goes at the next start. The monitor it was on
// may have gone, shrunk or changed its scale since: the frame is scaled to
// the DPI of the monitor that now holds it and kept inside its work area,
// so the title bar can always be reached.

#include <cstdint>

#include "ui/view/MainWindowLayout.h"

namespace varnel::ui {

LayoutRect FitRememberedFrame(const LayoutRect& frame, std::uint32_t savedDpi, const LayoutRect& workArea,
                              std::uint32_t monitorDpi);

// A share of the panes' room kept per ten thousand in the settings, and
// back; 0 stands for "not remembered".
std::uint32_t ShareToSetting(double share);
double ShareFromSetting(std::uint32_t setting, double fallback);

}  // namespace varnel::ui
