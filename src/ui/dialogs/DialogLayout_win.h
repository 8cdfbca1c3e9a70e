#pragma once
// Places a dialog's controls from their measured texts: the dialog lists its
// rows top to bottom, the layout finds the width the widest row needs
// (within the dialog's limits), wraps the texts to it and places everything.
// Every distance is a named metric in 96-DPI units, scaled to the dialog's
// DPI, so that no dialog carries its own pixel numbers and every language
// fits at every DPI.

#include <windows.h>

#include <initializer_list>
#include <vector>

namespace varnel::ui {

// Distances at 96 DPI.
namespace dialog_metrics {
inline constexpr int Margin = 18;          // around the content
inline constexpr int RelatedGap = 4;       // below a line that the next one explains
inline constexpr int LineGap = 6;          // between lines of one group
inline constexpr int GroupGap = 14;        // between groups
inline constexpr int ButtonRowGap = 18;    // above the row of buttons
inline constexpr int ItemGap = 10;         // between controls side by side
inline constexpr int Indent = 20;          // a description below its heading
inline constexpr int MinTextHeight = 16;   // a line of text, at least
inline constexpr int TextPadding = 2;      // below a static text's line
inline constexpr int CheckBoxRoom = 24;    // a check box's box and its gap
inline constexpr int CheckBoxPadding = 8;  // above and below a check box's text
inline constexpr int ButtonTextPadding = 24;
inline constexpr int ButtonVerticalPadding = 10;
inline constexpr int MinButtonWidth = 80;
inline constexpr int MinButtonHeight = 28;
inline constexpr int ComboHeight = 24;      // a drop-down list, closed
inline constexpr int ComboDropHeight = 240; // and how far it opens
}  // namespace dialog_metrics

// A control's text measured in its own font, with its access-key marker
// taken out; `wrapWidth` 0 measures one line.
SIZE MeasureControlText(HWND control, int wrapWidth = 0);

class DialogLayout {
public:
    enum class Align { Left, Centre, Right };

    // Widths at 96 DPI: the content is at least `minWidth` wide and wraps
    // texts at `maxWidth`.
    DialogLayout(UINT dpi, int minWidth, int maxWidth);

    // A static text as wide as the content, wrapped to it, `indent` in from
    // the left, followed by `gapAfter` (96 DPI).
    DialogLayout& Text(HWND control, int gapAfter = dialog_metrics::LineGap, int indent = 0);
    DialogLayout& CheckBox(HWND control, int gapAfter = dialog_metrics::LineGap);
    // A control as wide as the content and `height` (96 DPI) tall.
    DialogLayout& Block(HWND control, int height, int gapAfter = dialog_metrics::LineGap);
    // Controls side by side, vertically centred on the tallest: texts as
    // wide as they measure, a drop-down list `comboWidth` (96 DPI) wide.
    DialogLayout& Line(std::initializer_list<HWND> controls, int comboWidth, int gapAfter = dialog_metrics::LineGap);
    // Push buttons, each wide enough for its text, as the last row.
    DialogLayout& Buttons(std::initializer_list<HWND> buttons, Align align, int minWidth = dialog_metrics::MinButtonWidth);
    DialogLayout& Gap(int height);

    // Moves every control into place; the client size the dialog needs.
    SIZE Apply() const;

private:
    enum class Kind { Text, CheckBox, Block, Line, Buttons, Gap };
    struct Row {
        Kind kind;
        std::vector<HWND> controls;
        int gapAfter = 0;   // pixels
        int indent = 0;     // pixels
        int height = 0;     // pixels, for blocks and gaps
        int itemWidth = 0;  // pixels: a line's drop-down list, a button's least width
        Align align = Align::Left;
    };
    int Scale(int value) const;
    int NaturalWidth(const Row& row) const;
    int ButtonWidth(HWND button, int minimum) const;
    int LineHeight(HWND control, int wrapWidth = 0) const;

    UINT dpi_;
    int minWidth_;
    int maxWidth_;
    std::vector<Row> rows_;
};

}  // namespace varnel::ui
