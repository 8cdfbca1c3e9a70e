#pragma once
// Where the settings file lives, and reading and writing it. Built once at
// start-up; the location is fixed from then on, so a portable marker added
// or removed later counts only at the next start. Windows only.

#include <cstdint>
#include <string>

#include "settings/AppSettings.h"

namespace varnel::app {

inline constexpr wchar_t SettingsFileName[] = L"varnel.settings.json";
inline constexpr wchar_t PortableMarkerName[] = L"varnel.portable";
inline constexpr wchar_t SettingsFolderName[] = L"Varnel";

// Replacements for what the store would ask the system; the program passes
// an empty record, tests point the store at temporary folders.
struct SettingsStoreOptions {
    std::wstring programFolder;       // used when non-empty
    std::wstring localAppDataFolder;  // used when non-empty
    std::uint32_t hardwareThreads = 0;
    bool hasHardwareThreads = false;
};

// What Load found besides the settings.
struct SettingsLoadReport {
    AppSettings settings;
    // The file exists but could not be read whole (not JSON, truncated,
    // values of the wrong kind, unreadable). The readable parts are in
    // `settings`; the next save would replace the rest.
    bool damaged = false;
    // Where the damaged file was copied before anything can overwrite it;
    // empty when it was not damaged or the copy failed.
    std::wstring keptCopyPath;
};

inline constexpr wchar_t DamagedCopySuffix[] = L".bad";

class SettingsStore {
public:
    // Never fails. With a "varnel.portable" entry of any kind beside the
    // program the file lives there; otherwise in "Varnel" under
    // LOCALAPPDATA (a relative path when that variable is unset).
    explicit SettingsStore(const SettingsStoreOptions& options = {});

    // Never fails: a missing file gives defaults, a damaged one its
    // readable parts. A damaged file is first copied beside itself as
    // "varnel.settings.json.bad" (replacing an older copy), so the user's
    // edits survive the next save.
    SettingsLoadReport LoadWithReport() const;
    AppSettings Load() const { return LoadWithReport().settings; }

    // Writes the whole normalised record. True only when the new file is
    // complete and in place. The file is replaced atomically: on any
    // failure the previous file is left as it was and no temporary file
    // remains. While on hold (below), refuses and writes nothing.
    bool Save(const AppSettings& settings) const;

    // True after LoadWithReport found a file it could neither read nor copy
    // aside: the user's settings are in there, so nothing replaces it. Each
    // Save tries the copy again and lifts the hold once it succeeds (the
    // file became readable).
    bool OnHold() const noexcept { return onHold_; }

    const std::wstring& ProgramFolder() const noexcept { return programFolder_; }
    const std::wstring& LocalAppDataFolder() const noexcept { return localAppDataFolder_; }
    const std::wstring& SettingsFilePath() const noexcept { return settingsFilePath_; }
    std::uint32_t HardwareThreads() const noexcept { return hardwareThreads_; }

private:
    std::wstring programFolder_;
    std::wstring localAppDataFolder_;
    std::wstring settingsFilePath_;
    std::uint32_t hardwareThreads_ = 0;
    mutable bool onHold_ = false;
};

}  // namespace varnel::app
