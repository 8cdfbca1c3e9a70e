#include "settings/AppSettings.h"

#include <algorithm>

namespace varnel::app {
namespace {

std::uint32_t DefaultThreadsPerDrive(std::uint32_t hardwareThreads) {
    return std::min(hardwareThreads, DefaultThreadsPerDriveCap);
}

}  // namespace

AppSettings StartingSettings(std::uint32_t hardwareThreads) {
    AppSettings settings;
    settings.threadsPerDrive = DefaultThreadsPerDrive(hardwareThreads);
    settings.maxThreadsPerDrive = hardwareThreads;
    return settings;
}

void NormalizeSettings(AppSettings& settings, std::uint32_t hardwareThreads) {
    if (settings.threadsPerDrive == 0 || settings.threadsPerDrive > hardwareThreads) {
        settings.threadsPerDrive = DefaultThreadsPerDrive(hardwareThreads);
    }
    settings.maxThreadsPerDrive = hardwareThreads;
}

}  // namespace varnel::app
