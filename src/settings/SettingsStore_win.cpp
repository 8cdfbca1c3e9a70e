#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "settings/SettingsFile.h"
#include "settings/SettingsStore.h"
#include "platform/FileBytes.h"
#include "platform/FileReplacement_win.h"
#include "base/PathRules.h"
#include "platform/ProgramFolder.h"

namespace varnel::app {
namespace {

// Used when the standard library cannot tell the number of hardware threads.
constexpr std::uint32_t FallbackHardwareThreads = 4;

constexpr wchar_t TemporarySuffix[] = L".tmp";

std::wstring EnvironmentVariable(const wchar_t* name) {
    std::wstring value;
    DWORD capacity = 0;
    for (;;) {
        // The size asked for includes the terminating zero; a value that
        // grew between the two calls asks again with its new size.
        const DWORD needed = ::GetEnvironmentVariableW(name, value.data(), capacity);
        if (needed == 0) {
            return {};  // unset, or set to the empty string
        }
        if (needed < capacity) {
            value.resize(needed);
            return value;
        }
        capacity = needed;
        value.resize(capacity);
    }
}

std::uint32_t SystemHardwareThreads() {
    const unsigned reported = std::thread::hardware_concurrency();
    return reported == 0 ? FallbackHardwareThreads : static_cast<std::uint32_t>(reported);
}

// A marker whose attributes cannot be read (access denied on the program
// folder, say) counts as absent: the settings then go to the user's own
// folder, which can be written, rather than beside a program that the user
// may not be allowed to change.
bool EntryExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

SettingsStore::SettingsStore(const SettingsStoreOptions& options)
    : programFolder_(options.programFolder.empty() ? platform::ProgramFolder() : options.programFolder),
      localAppDataFolder_(options.localAppDataFolder.empty() ? EnvironmentVariable(L"LOCALAPPDATA")
                                                             : options.localAppDataFolder),
      hardwareThreads_(options.hasHardwareThreads ? options.hardwareThreads : SystemHardwareThreads()) {
    // A count of 0 would leave no valid thread count to choose; treat a
    // replacement of 0 like a system that reports none.
    if (hardwareThreads_ == 0) {
        hardwareThreads_ = FallbackHardwareThreads;
    }
    if (EntryExists(core::JoinPath(programFolder_, PortableMarkerName))) {
        settingsFilePath_ = core::JoinPath(programFolder_, SettingsFileName);
    } else {
        settingsFilePath_ =
            core::JoinPath(core::JoinPath(localAppDataFolder_, SettingsFolderName), SettingsFileName);
    }
}

SettingsLoadReport SettingsStore::LoadWithReport() const {
    SettingsLoadReport report;
    const auto bytes = platform::ReadWholeFile(std::filesystem::path(settingsFilePath_));
    if (bytes) {
        SettingsFileRead read = InspectSettingsFile(*bytes, hardwareThreads_);
        report.settings = std::move(read.settings);
        report.damaged = read.damaged;
    } else {
        report.settings = StartingSettings(hardwareThreads_);
        // Present but unreadable (locked, access denied): the next save
        // would replace what we could not see.
        report.damaged = EntryExists(settingsFilePath_);
    }
    if (report.damaged) {
        const std::wstring copy = settingsFilePath_ + DamagedCopySuffix;
        if (::CopyFileW(settingsFilePath_.c_str(), copy.c_str(), FALSE)) {
            report.keptCopyPath = copy;
        }
    }
    onHold_ = report.damaged && report.keptCopyPath.empty() && EntryExists(settingsFilePath_);
    return report;
}

bool SettingsStore::Save(const AppSettings& settings) const {
    if (onHold_) {
        const std::wstring kept = settingsFilePath_ + DamagedCopySuffix;
        if (!::CopyFileW(settingsFilePath_.c_str(), kept.c_str(), FALSE)) {
            return false;
        }
        onHold_ = false;
    }
    AppSettings copy = settings;
    NormalizeSettings(copy, hardwareThreads_);

    const std::filesystem::path folder = std::filesystem::path(settingsFilePath_).parent_path();
    if (!folder.empty()) {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            return false;
        }
    }

    // A crash, power loss or full disk while writing leaves the previous
    // settings whole.
    platform::FileReplacement replacement(settingsFilePath_, TemporarySuffix);
    return replacement.Open() && replacement.Write(WriteSettingsFile(copy)) && replacement.Commit();
}

}  // namespace varnel::app
