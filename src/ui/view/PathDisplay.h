#pragma once
// How paths and names are shown: characters that controls would take as
// formatting are made visible, and long paths lose their middle, never the
// folder's own name at the end.

#include <cstddef>
#include <string>
#include <string_view>

namespace varnel::ui {

// A tab would start a new column in a menu and vanish in a cell: it is
// shown as the control picture for a tab (U+2409) instead.
std::wstring VisibleText(std::wstring_view text);

// For a menu item: VisibleText, with every '&' doubled so it is shown
// rather than taken as an access-key marker.
std::wstring MenuItemText(std::wstring_view text);

// A control text without its access-key marker, for a second control that
// shows the same words but must not claim the key: "&Open" gives "Open",
// "開く(&O)" gives "開く", "R&&D" gives "R&D".
std::wstring WithoutAccessKey(std::wstring_view text);

// At most `maxLength` characters: the start of the path, an ellipsis
// (U+2026) and as much of the end as fits, cut at a separator where one is
// near so that whole folder names remain. Shorter paths are returned whole.
std::wstring ShortenInMiddle(std::wstring_view path, std::size_t maxLength);

}  // namespace varnel::ui
