// What changed since an earlier snapshot of the shown root: the tree's
// change column, the ranking of what grew most, the status line of what is
// gone, and View > Compare with to pick the snapshot. The snapshot is read
// and matched with the result on the comparer's worker.

#include "ui/window/MainWindow.h"

#include <filesystem>
#include <optional>
#include <utility>

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
    // The menu lists the new snapshots at once; positions of the old list
    // would pick the wrong one.
    comparer_.Cancel();
    ShowComparison({});
    if (!comparisons_.empty()) {
        // An unreadable snapshot is passed over (with its notice) for the next one.
        StartComparison(0, comparisons_);
    }
}

void MainWindow::CompareWith(std::size_t position) {
    if (position < comparisons_.size()) {
        StartComparison(position, {comparisons_[position]});
        return;
    }
    comparer_.Cancel();
    ShowComparison({});
}

void MainWindow::StartComparison(std::size_t first, std::vector<app::StoredSnapshot> candidates) {
    ComparisonRequest request{first, candidates};
    if (!comparer_.Start(lists_.Result(), Snapshots(), first, std::move(candidates), window_, ComparisonDoneMessage)) {
        ShowComparison({});  // no thread to be had: no comparison, rather than a window that stands still
        return;
    }
    comparisonUnderWay_ = std::move(request);
}

void MainWindow::ResumeComparison() {
    if (comparisonUnderWay_) {
        ComparisonRequest request = std::move(*comparisonUnderWay_);
        StartComparison(request.first, std::move(request.candidates));
    }
}

LRESULT MainWindow::OnComparisonDone(WPARAM id) {
    if (std::optional<SnapshotComparer::Outcome> outcome = comparer_.Finish(id)) {
        ShowComparison(std::move(*outcome));
    }
    return 0;
}

void MainWindow::ShowComparison(SnapshotComparer::Outcome outcome) {
    comparisonUnderWay_.reset();
    if (outcome.unreadable) {
        status_.ShowNotice("status.snapshot_unreadable");
    }
    compared_ = outcome.position;
    lists_.SetChange(std::move(outcome.change));
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
