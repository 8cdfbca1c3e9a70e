#pragma once
// The recent-folders list: newest first, one entry per folder however it was
// spelled, at most sixteen.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "settings/AppSettings.h"

namespace varnel::ui {

using app::MaxRecentFolders;

// True when two paths name the same folder. The program compares their
// normalised forms ordinally, ignoring case.
using SameFolder = std::function<bool(const std::wstring&, const std::wstring&)>;

// Puts `path`, as given, at the front; drops every other spelling of the same
// folder and whatever falls beyond sixteen. An empty path changes nothing;
// returns whether the list changed.
bool AddRecentFolder(std::vector<std::wstring>& recent, const std::wstring& path, const SameFolder& sameFolder);

#ifdef _WIN32
// Normalised full forms, compared ordinally ignoring case.
bool IsSameFolder(const std::wstring& a, const std::wstring& b);
#endif

}  // namespace varnel::ui
