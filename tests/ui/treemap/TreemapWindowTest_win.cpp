// The treemap pane in a real main window: found by its class from outside,
// its picture read back at 96 and 144 DPI (a big file's tile in its type's
// colour, the selected item outlined), and the selection linked both ways
// through the messages a user's click and a list selection send.

#include <gtest/gtest.h>

#include <string>

#include "support/MainWindowFixture_win.h"
#include "support/WindowCanvas_win.h"

namespace varnel::ui {
namespace {

using testing::Canvas;

class TreemapWindowTest : public testing::MainWindowFixture {
protected:
    void MakeFiles() {
        const auto write = [&](const std::wstring& name, std::uint64_t bytes) { data.File(name, bytes); };
        write(L"big.iso", 3'000'000);
        data.Folder(L"sub");
        for (int i = 0; i < 20; ++i) write(L"sub\\note" + std::to_wstring(i) + L".txt", 20'000 + 1000 * i);
        write(L"photo.jpg", 300'000);
    }
    HWND Pane() const { return ::FindWindowExW(window->Handle(), nullptr, TreemapClassName, nullptr); }
    void WaitForPicture() {
        WaitWhile([&] { return window->Treemap().ShownLayout().Tiles().empty() || window->FileTypes().Rows().empty(); });
    }
    std::uint64_t NodeNamed(std::wstring_view name) const {
        for (const core::NodeView node : window->Result().nodes) {
            if (node.Name() == name) return node.Index();
        }
        return core::NoIndex;
    }
    // The pane's client point at the middle of a node's tile.
    POINT Centre(std::uint64_t node) const {
        const TreemapLayout& layout = window->Treemap().ShownLayout();
        const TreemapTile& tile = layout.Tiles()[layout.TileOf(window->Result().nodes, node)];
        return {static_cast<LONG>((tile.left + tile.right) / 2),
                static_cast<LONG>((tile.top + tile.bottom) / 2) + window->Treemap().PathLineHeight()};
    }
};

TEST_F(TreemapWindowTest, PictureShowsTypesAndOutlineAndFollowsTheListsBothWays) {
    MakeFiles();
    ASSERT_TRUE(Open());
    ASSERT_EQ(Scan(data.Path()), core::ScanStatus::Completed);
    for (const UINT dpi : {96u, 144u}) {
        SCOPED_TRACE(dpi);
        if (dpi != 96) {
            RECT frame{};
            ::GetWindowRect(window->Handle(), &frame);
            ::SendMessageW(window->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
        }
        const HWND pane = Pane();
        ASSERT_NE(pane, nullptr);
        WaitForPicture();
        // Wait for the picture of this size: the worker draws it after the DPI change.
        RECT client{};
        ::GetClientRect(pane, &client);
        const auto sized = [&] {
            const TreemapLayout& shown = window->Treemap().ShownLayout();
            return shown.Width() == client.right && shown.Height() == client.bottom - window->Treemap().PathLineHeight();
        };
        WaitWhile([&] { return !sized(); });
        ASSERT_TRUE(sized());

        // The list selects the big file: its tile gets the outline.
        const std::uint64_t big = NodeNamed(L"big.iso");
        const HWND tree = Control(TreeListId);
        const auto row = window->Tree().FindRow(big);
        ASSERT_TRUE(row);
        ListView_SetItemState(tree, static_cast<int>(*row), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        EXPECT_EQ(window->Treemap().Selection(), big);

        Canvas canvas(client.right, client.bottom);
        ASSERT_TRUE(canvas.Valid());
        ::SendMessageW(pane, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
        const POINT centre = Centre(big);
        const COLORREF colour = canvas.At(centre.x, centre.y);
        // Archives are orange: the cushion changes the light, not the hue.
        const TreemapColours colours = TreemapColoursFor(window->Palette());
        const std::uint32_t archive = colours.groups[static_cast<std::size_t>(core::FileTypeGroup::Archives)];
        const double light = GetRValue(colour) / static_cast<double>((archive >> 16) & 0xFF);
        EXPECT_NEAR(GetGValue(colour), light * ((archive >> 8) & 0xFF), 4.0);
        EXPECT_NEAR(GetBValue(colour), light * (archive & 0xFF), 4.0);
        const TreemapLayout& layout = window->Treemap().ShownLayout();
        const TreemapTile& tile = layout.Tiles()[layout.TileOf(window->Result().nodes, big)];
        const int top = window->Treemap().PathLineHeight();
        const int edge = static_cast<int>(tile.left + 0.5f);
        const int thickness = MulDiv(2, static_cast<int>(dpi), 96);
        EXPECT_EQ(canvas.At(edge, centre.y), RGB(0, 0, 0));
        EXPECT_EQ(canvas.At(edge + thickness, centre.y), RGB(255, 255, 255));
        EXPECT_NE(canvas.At(edge + 2 * thickness + 1, centre.y), RGB(255, 255, 255));
        EXPECT_GE(centre.y, top);

        // A click on a file's tile selects it in the tree.
        const std::uint64_t note = NodeNamed(L"note19.txt");
        const POINT click = Centre(note);
        ::SendMessageW(pane, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(click.x, click.y));
        ::SendMessageW(pane, WM_LBUTTONUP, 0, MAKELPARAM(click.x, click.y));
        EXPECT_EQ(window->SelectedNode(), note);
        EXPECT_EQ(::GetFocus(), pane);
        // Backspace after a double-click zooms out again.
        ::SendMessageW(pane, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(click.x, click.y));
        EXPECT_EQ(window->Treemap().ZoomTop(), window->Result().nodes[note].Parent());
        ::SendMessageW(pane, WM_KEYDOWN, VK_BACK, 0);
        EXPECT_EQ(window->Treemap().ZoomTop(), window->Result().rootIndex);
    }
}

TEST_F(TreemapWindowTest, FileTypesListTheSelectedFolderAndTheFilesOfOneType) {
    MakeFiles();
    ASSERT_TRUE(Open());
    ASSERT_EQ(Scan(data.Path()), core::ScanStatus::Completed);
    WaitForPicture();
    FileTypesView& types = window->FileTypes();
    const core::FileTypeIndex& index = window->Treemap().Types();
    ASSERT_EQ(types.Rows().size(), 3u);
    EXPECT_EQ(index.Extension(types.Rows()[0].extension), L"iso");
    EXPECT_EQ(types.Rows()[1].files, 20u);
    // Enter on the .txt row lists its twenty files; Backspace returns.
    ListView_SetItemState(types.List(), 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    NMLVKEYDOWN key{{types.List(), 1, LVN_KEYDOWN}, VK_RETURN, 0};
    ::SendMessageW(types.Handle(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&key));
    EXPECT_TRUE(types.ShowsFiles());
    WaitWhile([&] { return ListView_GetItemCount(types.List()) != 20; });  // worked out on a worker
    EXPECT_EQ(ListView_GetItemCount(types.List()), 20);
    key.wVKey = VK_BACK;
    ::SendMessageW(types.Handle(), WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&key));
    EXPECT_FALSE(types.ShowsFiles());
    // Selecting the sub folder in the tree narrows the types to it.
    const auto row = window->Tree().FindRow(window->Result().nodes[NodeNamed(L"note0.txt")].Parent());
    ASSERT_TRUE(row);
    ListView_SetItemState(Control(TreeListId), static_cast<int>(*row), LVIS_SELECTED, LVIS_SELECTED);
    WaitWhile([&] { return types.Rows().size() != 1; });
    ASSERT_EQ(types.Rows().size(), 1u);
    EXPECT_EQ(index.Extension(types.Rows()[0].extension), L"txt");
}

}  // namespace
}  // namespace varnel::ui
