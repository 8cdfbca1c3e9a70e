// The share label drawn on its bar, rendered for every theme, row state
// and bar length: every pixel of the label keeps a contrast of 4.5:1 with
// what is behind it, on the bar and beside it.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/WindowCanvas_win.h"
#include "ui/theme/GdiOwners_win.h"
#include "ui/lists/ListCells_win.h"
#include "ui/theme/ThemeCatalog.h"

namespace varnel::ui {
namespace {

using varnel::testing::Canvas;

TEST(ShareBarCell, EveryLabelPixelIsReadableOnWhatIsBehindIt) {
    for (const int dpi : {96, 144}) {
        const int width = ::MulDiv(100, dpi, 96);
        const int height = ::MulDiv(22, dpi, 96);
        // Without smoothing every label pixel has the label's own colour.
        const UniqueFont font(::CreateFontW(-::MulDiv(12, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                            DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0, L"Tahoma"));
        for (const ThemeEntry& theme : ThemeCatalog()) {
            for (const RowState state : {RowState::Normal, RowState::Selected, RowState::SelectedUnfocused}) {
                const RowColours colours = ColoursForRow(theme.palette, state);
                for (const double share : {0.0, 60.0, 75.0, 100.0}) {
                    const RECT cell{0, 0, width, height};
                    GdiObjectCache gdi;
                    const auto draw = [&](Canvas& canvas, const std::wstring& label) {
                        ::SelectObject(canvas.Dc(), font.get());
                        DrawShareBarCell(canvas.Dc(), gdi, cell, share, label, colours, ::MulDiv(4, dpi, 96),
                                         ::MulDiv(6, dpi, 96));
                    };
                    Canvas withLabel(width, height);
                    Canvas behind(width, height);
                    draw(withLabel, L"88.8 %");
                    draw(behind, L"");
                    int labelPixels = 0;
                    double worst = 21.0;
                    for (int y = 0; y < height; ++y) {
                        for (int x = 0; x < width; ++x) {
                            if (withLabel.At(x, y) != behind.At(x, y)) {
                                ++labelPixels;
                                worst = std::min(worst, ContrastRatio(withLabel.At(x, y), behind.At(x, y)));
                            }
                        }
                    }
                    const std::wstring id(theme.identifier);
                    SCOPED_TRACE(::testing::Message() << std::string(id.begin(), id.end()) << " state "
                                                      << static_cast<int>(state) << " share " << share << " dpi " << dpi);
                    EXPECT_GT(labelPixels, 20) << "the label was drawn";
                    EXPECT_GE(worst, MinimumTextContrast);
                }
            }
        }
    }
}

}  // namespace
}  // namespace varnel::ui
