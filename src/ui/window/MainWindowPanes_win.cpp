// The treemap and file types panes below the lists, and how they follow the
// lists: a tile clicked selects its item in the tree, a selection in the
// tree or a ranking is outlined in the treemap, and the file types show the
// selected folder's files.

#include "ui/window/MainWindow.h"

namespace varnel::ui {

bool MainWindow::CreatePanes() {
    treemap_.SetDpi(dpi_);
    treemap_.SetPalette(palette_);
    treemap_.SetFormattingLocale(formattingLocale_);
    fileTypes_.SetDpi(dpi_);
    fileTypes_.SetPalette(palette_);
    fileTypes_.SetFormattingLocale(formattingLocale_);
    return treemap_.Create(window_, instance_, TreemapPaneId) &&
           fileTypes_.Create(window_, instance_, FileTypesPaneId);
}

void MainWindow::ClearPanes() {
    typesCurrent_ = false;
    typesScope_ = core::NoIndex;
    fileTypes_.Clear();
    treemap_.Clear();
}

void MainWindow::ShowResultInPanes() {
    typesCurrent_ = false;
    typesScope_ = core::NoIndex;
    fileTypes_.Clear();
    treemap_.ShowResult(&lists_.Result(), lists_.Measure());
    treemap_.SetSelection(lists_.SelectedNode());
}

void MainWindow::FollowListSelection() {
    const core::ScanResult& result = lists_.Result();
    const std::uint64_t ranked = lists_.SelectedRankingNode();
    const std::uint64_t selected = lists_.SelectedNode();
    treemap_.SetSelection(ranked != core::NoIndex ? ranked : selected);
    if (!typesCurrent_ || selected >= result.nodes.size()) {
        return;
    }
    // A file selected in the tree shows the types of its folder.
    const std::uint64_t scope = result.nodes[selected].IsDirectory() ? selected : result.nodes[selected].Parent();
    if (scope != typesScope_ && scope != core::NoIndex) {
        typesScope_ = scope;
        fileTypes_.Show(&result, &treemap_.Types(), scope, lists_.Measure());
    }
}

void MainWindow::OnTreemapPicked(std::uint64_t node) {
    // Showing it in the tree moves the focus there; the keyboard stays here.
    const HWND focus = ::GetFocus();
    lists_.ShowInTree(node);
    if (focus == treemap_.Handle()) {
        ::SetFocus(focus);
    }
}

void MainWindow::TogglePane(bool treemap) {
    const bool show = !(treemap ? settings_.window.showTreemap : settings_.window.showFileTypes);
    if (!SaveSettingsWith([&](app::AppSettings& changed) {
            (treemap ? changed.window.showTreemap : changed.window.showFileTypes) = show;
        })) {
        return;
    }
    panes_.showTreemap = settings_.window.showTreemap;
    panes_.showFileTypes = settings_.window.showFileTypes;
    BuildMenuBar();
    Layout();
}

void MainWindow::PlacePanes() {
    const auto place = [](HWND pane, const LayoutRect& r) {
        ::ShowWindow(pane, r.width > 0 && r.height > 0 ? SW_SHOWNA : SW_HIDE);
        ::MoveWindow(pane, r.x, r.y, r.width, r.height, FALSE);
    };
    place(treemap_.Handle(), layout_.treemap);
    place(fileTypes_.Handle(), layout_.fileTypes);
}

}  // namespace varnel::ui
