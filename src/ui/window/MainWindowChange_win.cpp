// What changed since an earlier snapshot of the shown root: the tree's
// change column, the ranking of what grew most, the status line of what is
// gone, and View > Compare with to pick the snapshot.

#include "ui/window/MainWindow.h"

#include <filesystem>

#include "i18n/Formatting.h"
#include "model/FolderSnapshot.h"

namespace varnel::ui {

app::SnapshotStore MainWindow::Snapshots() const {
    return app::SnapshotStore(std::filesystem::path(settingsStore_.SettingsFilePath()).parent_path() /
                              app::SnapshotFolderName);
}

void MainWindow::CompareWithNewestSnapshot() {
    comparisons_.clear();
    const core::ScanResult& result = lists_.Result();
    // A cancelled scan's partial numbers would show as shrinkage everywhere.
    if (!result.nodes.empty() && result.status == core::ScanStatus::Completed) {
        for (app::StoredSnapshot& stored : Snapshots().ListFor(result.rootPath)) {
            // The snapshot of this very result, or of later scans, tells nothing about its past.
            if (stored.takenAt < resultTakenAt_ && comparisons_.size() < MaxComparisons) {
                comparisons_.push_back(std::move(stored));
            }
        }
    }
    // An unreadable snapshot is passed over (with its notice) for the next one.
    for (std::size_t position = 0; !CompareWith(position) && position < comparisons_.size(); ++position) {
    }
}

bool MainWindow::CompareWith(std::size_t position) {
    compared_ = static_cast<std::size_t>(-1);
    ResultChange change;
    if (position < comparisons_.size()) {
        core::FolderSnapshotRead read = Snapshots().Load(comparisons_[position]);
        if (read.error != core::SavedFileError::None) {
            status_.ShowNotice("status.snapshot_unreadable");
        } else {
            compared_ = position;
            change = ResultChange(lists_.Result(), std::move(read.snapshot));
        }
    }
    lists_.SetChange(std::move(change));
    const bool active = lists_.Change().Active();
    if (active != panes_.showGrewMost) {
        panes_.showGrewMost = active;
        ::ShowWindow(growth_.Handle(), active ? SW_SHOWNA : SW_HIDE);
        Layout();
    }
    FollowGrowth(true);
    if (!lists_.Result().nodes.empty() && status_.MainState() == StatusTextState::Summary) {
        ShowSummaryText();
    }
    BuildMenuBar();
    return active || position >= comparisons_.size();
}

void MainWindow::FollowGrowth(bool force) {
    const core::ScanResult& result = lists_.Result();
    std::uint64_t folder = lists_.SelectedNode();
    if (folder < result.nodes.size() && !result.nodes[folder].IsDirectory()) {
        folder = result.nodes[folder].Parent();
    }
    if (!lists_.Change().Active() || folder >= result.nodes.size()) {
        growthFolder_ = core::NoIndex;
        growth_.Clear();
        return;
    }
    if (force || folder != growthFolder_) {
        growthFolder_ = folder;
        growth_.Show(result, lists_.Change(), lists_.Subtrees(), folder, lists_.Measure());
    }
}

std::wstring MainWindow::ChangeSummaryText() const {
    const ResultChange& change = lists_.Change();
    const core::ScanResult& result = lists_.Result();
    if (!change.Active() || result.rootIndex >= result.nodes.size()) {
        return {};
    }
    const core::SizeMeasure measure = lists_.Measure();
    std::wstring text = localizer_->Translate("status.change_since") + SnapshotDateText(change.EarlierTakenAt()) +
                        L": " +
                        i18n::FormatSizeChange(formattingLocale_,
                                               change.ChangeOf(result.nodes[result.rootIndex], measure).value_or(0));
    const ResultChange::Gone gone = change.GoneSince(measure);
    if (gone.folders > 0) {
        text += L" \u00B7 " +
                i18n::FillPlaceholder(i18n::FillPlaceholder(localizer_->Translate("status.gone"), L"{count}",
                                  i18n::FormatCount(formattingLocale_, gone.folders)),
                         L"{size}", i18n::FormatSize(formattingLocale_, gone.bytes));
    }
    return text;
}

void MainWindow::CopyGoneFolders() {
    std::wstring text;
    for (const std::wstring& path : lists_.Change().GonePaths()) {
        text += path + L"\r\n";
    }
    if (text.empty()) {
        return;
    }
    status_.ShowNotice(CopyTextToClipboard(window_, text) ? "status.gone_copied" : "status.copy_failed");
}

}  // namespace varnel::ui
