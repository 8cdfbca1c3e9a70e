#include "ui/dialogs/DialogLayout_win.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "ui/theme/GdiScope_win.h"
#include "ui/view/MainWindowLayout.h"

namespace varnel::ui {
namespace {

bool IsComboBox(HWND control) {
    wchar_t name[32]{};
    ::GetClassNameW(control, name, static_cast<int>(std::size(name)));
    return ::lstrcmpiW(name, WC_COMBOBOXW) == 0;
}

}  // namespace

SIZE MeasureControlText(HWND control, int wrapWidth) {
    const int length = ::GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), length + 1)));
    const WindowDc dc(control);
    if (dc.get() == nullptr) {
        return {};
    }
    const SelectGuard font(dc.get(), reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT area{0, 0, wrapWidth, 0};
    ::DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &area,
                DT_CALCRECT | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    return {area.right - area.left, area.bottom - area.top};
}

DialogLayout::DialogLayout(UINT dpi, int minWidth, int maxWidth)
    : dpi_(dpi), minWidth_(Scale(minWidth)), maxWidth_(std::max(Scale(maxWidth), Scale(minWidth))) {}

int DialogLayout::Scale(int value) const { return ScaleForDpi(value, dpi_); }

DialogLayout& DialogLayout::Text(HWND control, int gapAfter, int indent) {
    rows_.push_back({Kind::Text, {control}, Scale(gapAfter), Scale(indent)});
    return *this;
}

DialogLayout& DialogLayout::CheckBox(HWND control, int gapAfter) {
    rows_.push_back({Kind::CheckBox, {control}, Scale(gapAfter)});
    return *this;
}

DialogLayout& DialogLayout::Block(HWND control, int height, int gapAfter) {
    Row row{Kind::Block, {control}, Scale(gapAfter)};
    row.height = Scale(height);
    rows_.push_back(row);
    return *this;
}

DialogLayout& DialogLayout::Line(std::initializer_list<HWND> controls, int comboWidth, int gapAfter) {
    Row row{Kind::Line, controls, Scale(gapAfter)};
    row.itemWidth = Scale(comboWidth);
    rows_.push_back(row);
    return *this;
}

DialogLayout& DialogLayout::Buttons(std::initializer_list<HWND> buttons, Align align, int minWidth) {
    Row row{Kind::Buttons, buttons, 0};
    row.itemWidth = minWidth;
    row.align = align;
    rows_.push_back(row);
    return *this;
}

DialogLayout& DialogLayout::Gap(int height) {
    Row row{Kind::Gap, {}, 0};
    row.height = Scale(height);
    rows_.push_back(row);
    return *this;
}

int DialogLayout::ButtonWidth(HWND button, int minimum) const {
    return std::max(Scale(minimum),
                    static_cast<int>(MeasureControlText(button).cx) + Scale(dialog_metrics::ButtonTextPadding));
}

int DialogLayout::LineHeight(HWND control, int wrapWidth) const {
    return std::max<int>(MeasureControlText(control, wrapWidth).cy, Scale(dialog_metrics::MinTextHeight)) +
           Scale(dialog_metrics::TextPadding);
}

int DialogLayout::NaturalWidth(const Row& row) const {
    switch (row.kind) {
        case Kind::Text: return row.indent + static_cast<int>(MeasureControlText(row.controls[0]).cx);
        case Kind::CheckBox:
            return static_cast<int>(MeasureControlText(row.controls[0]).cx) + Scale(dialog_metrics::CheckBoxRoom);
        case Kind::Line:
        case Kind::Buttons: {
            int width = 0;
            for (const HWND control : row.controls) {
                width += width > 0 ? Scale(dialog_metrics::ItemGap) : 0;
                if (row.kind == Kind::Buttons) {
                    width += ButtonWidth(control, row.itemWidth);
                } else {
                    width += IsComboBox(control) ? row.itemWidth : static_cast<int>(MeasureControlText(control).cx);
                }
            }
            return width;
        }
        case Kind::Block:
        case Kind::Gap: return 0;
    }
    return 0;
}

SIZE DialogLayout::Apply() const {
    int width = minWidth_;
    for (const Row& row : rows_) {
        width = std::max(width, std::min(NaturalWidth(row), maxWidth_));
    }
    const int margin = Scale(dialog_metrics::Margin);
    int y = margin;
    for (const Row& row : rows_) {
        switch (row.kind) {
            case Kind::Text: {
                const int textWidth = width - row.indent;
                const int height = LineHeight(row.controls[0], textWidth);
                ::MoveWindow(row.controls[0], margin + row.indent, y, textWidth, height, FALSE);
                y += height;
                break;
            }
            case Kind::CheckBox: {
                const int height = std::max<int>(MeasureControlText(row.controls[0]).cy,
                                                 Scale(dialog_metrics::MinTextHeight)) +
                                   Scale(dialog_metrics::CheckBoxPadding);
                ::MoveWindow(row.controls[0], margin, y, std::min(NaturalWidth(row), width), height, FALSE);
                y += height;
                break;
            }
            case Kind::Block:
                ::MoveWindow(row.controls[0], margin, y, width, row.height, FALSE);
                y += row.height;
                break;
            case Kind::Line: {
                const int height = std::max(Scale(dialog_metrics::ComboHeight), LineHeight(row.controls.front()));
                int x = margin;
                for (const HWND control : row.controls) {
                    if (IsComboBox(control)) {
                        // A drop-down list's window is as tall as it opens.
                        ::MoveWindow(control, x, y + (height - Scale(dialog_metrics::ComboHeight)) / 2, row.itemWidth,
                                     Scale(dialog_metrics::ComboDropHeight), FALSE);
                        x += row.itemWidth;
                    } else {
                        const int textWidth = static_cast<int>(MeasureControlText(control).cx);
                        const int textHeight = LineHeight(control);
                        ::MoveWindow(control, x, y + (height - textHeight) / 2, textWidth, textHeight, FALSE);
                        x += textWidth;
                    }
                    x += Scale(dialog_metrics::ItemGap);
                }
                y += height;
                break;
            }
            case Kind::Buttons: {
                int height = Scale(dialog_metrics::MinButtonHeight);
                for (const HWND button : row.controls) {
                    height = std::max<int>(height, MeasureControlText(button).cy +
                                                       Scale(dialog_metrics::ButtonVerticalPadding));
                }
                const int total = NaturalWidth(row);
                int x = margin + (row.align == Align::Left    ? 0
                                  : row.align == Align::Right ? width - total
                                                              : (width - total) / 2);
                for (const HWND button : row.controls) {
                    const int buttonWidth = ButtonWidth(button, row.itemWidth);
                    ::MoveWindow(button, x, y, buttonWidth, height, FALSE);
                    x += buttonWidth + Scale(dialog_metrics::ItemGap);
                }
                y += height;
                break;
            }
            case Kind::Gap: y += row.height; break;
        }
        y += row.gapAfter;
    }
    return {width + 2 * margin, y + margin};
}

}  // namespace varnel::ui
