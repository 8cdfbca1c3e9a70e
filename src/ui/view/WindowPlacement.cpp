#include "ui/view/WindowPlacement.h"

#include <algorithm>
#include <cmath>

namespace varnel::ui {
namespace {

int ScaleBetween(int value, std::uint32_t from, std::uint32_t to) {
    if (from == 0 || from == to) {
        return value;
    }
    return static_cast<int>(std::lround(static_cast<double>(value) * to / from));
}

}  // namespace

LayoutRect FitRememberedFrame(const LayoutRect& frame, std::uint32_t savedDpi, const LayoutRect& workArea,
                              std::uint32_t monitorDpi) {
    LayoutRect fitted = frame;
    fitted.width = std::min(ScaleBetween(frame.width, savedDpi, monitorDpi), workArea.width);
    fitted.height = std::min(ScaleBetween(frame.height, savedDpi, monitorDpi), workArea.height);
    fitted.x = std::clamp(frame.x, workArea.x, workArea.x + workArea.width - fitted.width);
    fitted.y = std::clamp(frame.y, workArea.y, workArea.y + workArea.height - fitted.height);
    return fitted;
}

std::uint32_t ShareToSetting(double share) {
    return static_cast<std::uint32_t>(std::clamp(std::lround(share * 10000.0), 1L, 10000L));
}

double ShareFromSetting(std::uint32_t setting, double fallback) {
    if (setting == 0 || setting > 10000) {
        return fallback;
    }
    return setting / 10000.0;
}

}  // namespace varnel::ui
