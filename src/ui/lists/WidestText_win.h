#pragma once
// The width of the widest of many texts in the font selected into a DC,
// with a measurement per distinct character and per close contender, not
// per text: a number column sized to its widest value reads a few thousand
// texts, and measuring each of them kept the window busy for a visible
// moment under Wine.

#include <windows.h>

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

namespace varnel::ui {

class WidestText {
public:
    // `dc` keeps the font it has now while this object is used.
    explicit WidestText(HDC dc) noexcept : dc_(dc) {}

    // The largest GetTextExtentPoint32 width among `texts`; 0 for none.
    int Of(std::span<const std::wstring> texts);

private:
    // A text's width as the sum of its characters' widths. GDI measures a
    // line without kerning, so the sum is the line's width; the texts that
    // come within Slack pixels of the widest sum are measured whole all the
    // same, so that a font that does round differently cannot pick another.
    static constexpr int Slack = 2;
    int Estimate(std::wstring_view text);
    int Measure(std::wstring_view text) const;

    HDC dc_;
    std::unordered_map<wchar_t, int> characterWidths_;
};

}  // namespace varnel::ui
