#include <gtest/gtest.h>

#include "ui/view/MainWindowLayout.h"

namespace varnel::ui {
namespace {

const ButtonWidths Buttons96{112, 90, 90, 90};

TEST(MainWindowLayout, ToolRowAndPanesAt96Dpi) {
    PaneSizes panes;
    const MainLayout layout = MainWindowLayout::Compute(1264, 681, 96, Buttons96, panes);
    // 1264 - 80 - 382 = 802, held to 460.
    EXPECT_EQ(layout.pathBox, (LayoutRect{8, 8, 460, 28}));
    EXPECT_EQ(layout.folder.x, 16 + 460);
    EXPECT_EQ(layout.scan.x, 24 + 460 + 112);
    EXPECT_EQ(layout.cancel.x, 32 + 460 + 112 + 90);
    EXPECT_EQ(layout.open.x, 72 + 460 + 112 + 90 + 90);
    EXPECT_EQ(layout.contentTop, 44);
    // Content height 681 - 8 - 24 - 44 = 605; left pane (1264 - 30) / 2 = 617.
    EXPECT_EQ(layout.tree, (LayoutRect{8, 44, 617, 605}));
    EXPECT_EQ(layout.largestFiles, (LayoutRect{16 + 617 + 6, 44, 1264 - 8 - 639, 299}));
    EXPECT_EQ(layout.largestFolders.y, 44 + 299 + 6);
    EXPECT_EQ(layout.largestFolders.height, 605 - 6 - 299);
    EXPECT_EQ(layout.verticalSplitter, (LayoutRect{625, 44, 6, 605}));
    EXPECT_EQ(layout.horizontalSplitter, (LayoutRect{639, 343, 1264 - 8 - 639, 6}));

    EXPECT_EQ(MainWindowLayout::HitTest(layout, 625, 100), SplitterHit::Vertical);
    EXPECT_EQ(MainWindowLayout::HitTest(layout, 631, 100), SplitterHit::None) << "right edge exclusive";
    EXPECT_EQ(MainWindowLayout::HitTest(layout, 700, 343), SplitterHit::Horizontal);
    EXPECT_EQ(MainWindowLayout::HitTest(layout, 700, 349), SplitterHit::None);
    EXPECT_EQ(MainWindowLayout::HitTest(layout, 300, 300), SplitterHit::None);
    EXPECT_EQ(ScaleForDpi(7, 120), 9) << "8.75 rounds up";
    EXPECT_EQ(ScaleForDpi(5, 120), 6) << "6.25 rounds down";
}

TEST(MainWindowLayout, NarrowWindowKeepsMinimumsEvenIfButtonsOverflow) {
    PaneSizes panes;
    const MainLayout layout = MainWindowLayout::Compute(600, 400, 96, Buttons96, panes);
    EXPECT_EQ(layout.pathBox.width, 300);
    EXPECT_GT(layout.open.x + layout.open.width, 600);
    EXPECT_EQ(layout.tree.width, 250) << "upper bound max(180, 600-24-320-6) = 250; first layout (600-30)/2 = 285";
}

TEST(MainWindowLayout, SplitterDragsStopAtTheirClamps) {
    PaneSizes panes;
    MainWindowLayout::Compute(1264, 681, 96, Buttons96, panes);
    MainWindowLayout::DragVertical(-500, 1264, 96, panes);
    EXPECT_EQ(panes.leftWidth, 180);
    MainWindowLayout::DragVertical(5000, 1264, 96, panes);
    EXPECT_EQ(panes.leftWidth, 1264 - 24 - 320 - 6);
    MainWindowLayout::DragVertical(411, 1264, 96, panes);
    EXPECT_EQ(panes.leftWidth, 400) << "cursor minus half the splitter minus the margin";

    MainWindowLayout::DragHorizontal(0, 681, 96, panes);
    EXPECT_EQ(panes.upperRightHeight, 120);
    MainWindowLayout::DragHorizontal(5000, 681, 96, panes);
    EXPECT_EQ(panes.upperRightHeight, 605 - 6 - 120);

    // A window too small for both minimums: the upper bound wins.
    EXPECT_EQ(MainWindowLayout::ClampUpperRightHeight(500, 100, 96), 120);
    const MainLayout tiny = MainWindowLayout::Compute(100, 50, 96, Buttons96, panes);
    EXPECT_EQ(tiny.tree.height, 0);
    EXPECT_EQ(tiny.largestFiles.width, 0);
}

TEST(MainWindowLayout, PanesKeepTheirProportionsThroughASmallWindow) {
    PaneSizes panes;
    MainWindowLayout::Compute(1264, 681, 96, Buttons96, panes);
    MainWindowLayout::DragVertical(411, 1264, 96, panes);
    MainWindowLayout::DragHorizontal(200, 681, 96, panes);
    const int upper = panes.upperRightHeight;
    MainWindowLayout::Compute(700, 330, 96, Buttons96, panes);
    EXPECT_EQ(panes.upperRightHeight, 120) << "held at its minimum while the window is small";
    const MainLayout again = MainWindowLayout::Compute(1264, 681, 96, Buttons96, panes);
    EXPECT_EQ(again.tree.width, 400);
    EXPECT_EQ(again.largestFiles.height, upper);
}

TEST(MainWindowLayout, MinimumClientSizeKeepsEveryControlInside) {
    for (const std::uint32_t dpi : {96u, 144u}) {
        const ButtonWidths buttons{ScaleForDpi(112, dpi), ScaleForDpi(150, dpi), ScaleForDpi(90, dpi),
                                   ScaleForDpi(90, dpi)};
        const LayoutSize minimum = MainWindowLayout::MinimumClientSize(dpi, buttons);
        PaneSizes panes;
        const MainLayout layout = MainWindowLayout::Compute(minimum.width, minimum.height, dpi, buttons, panes);
        EXPECT_LE(layout.open.x + layout.open.width, minimum.width - ScaleForDpi(8, dpi)) << dpi;
        EXPECT_GE(layout.largestFiles.width, ScaleForDpi(320, dpi)) << dpi;
        EXPECT_GE(layout.largestFolders.height, ScaleForDpi(120, dpi)) << dpi;
    }
}

TEST(InitialPlacement, ScaledForTheDpiFittedAndCentredOnTheWorkArea) {
    EXPECT_EQ(InitialPlacement({0, 0, 1000, 700}, 96), (LayoutRect{100, 70, 800, 560}));
    EXPECT_EQ(InitialPlacement({0, 0, 1920, 1080}, 96), (LayoutRect{320, 180, 1280, 720}));
    EXPECT_EQ(InitialPlacement({1920, 40, 1920, 1040}, 96), (LayoutRect{2240, 200, 1280, 720}));
    EXPECT_EQ(InitialPlacement({0, 0, 3840, 2160}, 144), (LayoutRect{960, 540, 1920, 1080}));
    EXPECT_EQ(InitialPlacement({0, 0, 1920, 1080}, 144), (LayoutRect{192, 108, 1536, 864})) << "80 % of the area";
    EXPECT_EQ(InitialPlacement({0, 0, 40, 40}, 96).width, 1);
}

}  // namespace
}  // namespace varnel::ui
