#pragma once
// The about box: program name, version, copyright and the licence notice.

#include <windows.h>

#include <string>

#include "i18n/Localizer.h"
#include "version/ProgramVersion.h"

namespace varnel::ui {

inline constexpr wchar_t AboutDialogClassName[] = L"Varnel.AboutDialog";

enum AboutControlId : int {
    AboutCloseId = IDOK,
    AboutLicenceTextId = 2101,
};

// Fixed texts: not translated, the licence least of all.
inline constexpr wchar_t AboutProgramName[] = L"Varnel";
inline constexpr const wchar_t* AboutVersionLabel = ProgramVersionWide;
inline constexpr wchar_t AboutCopyrightLine[] = L"Copyright (c) 2026 The Varnel authors";
extern const wchar_t AboutLicenceNotice[];

struct AboutDialogState {
    i18n::Localizer* localizer = nullptr;
    bool done = false;
    std::wstring licenceText;
};

// Modal over `owner`, which is disabled meanwhile. Shows nothing when the
// window cannot be made.
void ShowAboutDialog(HINSTANCE instance, HWND owner, i18n::Localizer* localizer);

}  // namespace varnel::ui
