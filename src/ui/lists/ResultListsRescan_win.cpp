// A rescanned folder put in place of its old subtree, with the lists kept
// where the user left them.

#include "model/SubtreeSplice.h"
#include "ui/lists/ResultLists_win.h"

namespace varnel::ui {

bool ResultLists::ReplaceSubtree(std::uint64_t folder, core::ScanResult rescan) {
    auto spliced = core::SpliceSubtree(result_, folder, std::move(rescan));
    if (!spliced) {
        return false;
    }
    if (events_.resultWillChange) {
        events_.resultWillChange();
    }
    const std::vector<std::uint64_t>& newIndexOf = spliced->newIndexOf;
    // The folder whose rankings were shown stays selected; one inside the
    // rescanned folder may be gone, and the rescanned folder takes its place.
    std::uint64_t selected = selectedNode_ < newIndexOf.size() ? newIndexOf[selectedNode_] : core::NoIndex;
    if (selected == core::NoIndex) {
        selected = newIndexOf[folder];
    }
    subtreeIndex_.Reset();  // the old one goes before the new one is built
    result_ = std::move(spliced->result);
    subtreeIndex_.Start(result_);
    change_.Refresh(result_);
    rows_.Renumber(newIndexOf);
    rows_.ExpandTo(selected);
    RebuildTreeList();
    selectedNode_ = selected;
    SelectTreeNode(selected);
    if (events_.resultChanged) {
        events_.resultChanged();
    }
    return true;
}

}  // namespace varnel::ui
