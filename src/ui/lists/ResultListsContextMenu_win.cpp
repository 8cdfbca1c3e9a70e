// The context menu of the three lists and what its entries do: open, show
// in Explorer, copy, delete to the Recycle Bin, properties, and for a ranked
// item the way back to it in the tree.

#include "i18n/Formatting.h"
#include "platform/UniqueHandle_win.h"
#include "ui/window/MainWindowIds.h"
#include "ui/view/ResultEdit.h"
#include "ui/lists/ResultLists_win.h"

namespace varnel::ui {

void ResultLists::RunContextMenu(HWND source, std::uint64_t node, POINT at, HWND owner) {
    const platform::UniqueMenu owned(::CreatePopupMenu());
    if (!owned) {
        return;  // no menus left to give: the keys and the toolbar still work
    }
    const HMENU menu = owned.get();
    const auto add = [&](int id, const char* key, bool enabled = true) {
        ::AppendMenuW(menu, MF_STRING | (enabled ? 0u : MF_GRAYED), static_cast<UINT_PTR>(id),
                      localizer_.Translate(key).c_str());
    };
    // The merged root of several drives is no place in the file system.
    const bool inFileSystem = !(node == result_.rootIndex && result_.rootPath == core::MergedRootName);
    add(OpenContextCommandId, "context.open");
    if (source != tree_) {
        add(ShowInTreeCommandId, "context.show_in_tree");
    }
    add(ShowInExplorerCommandId, "context.show_in_explorer", inFileSystem);
    if (events_.rescanFolder && result_.nodes[node].IsDirectory()) {
        add(RescanContextCommandId, "context.rescan", inFileSystem);
    }
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    add(CopyPathCommandId, "context.copy_path", inFileSystem);
    add(CopyCsvRowCommandId, "context.copy_csv");
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    if (CanDelete(node)) {
        add(DeleteToRecycleBinCommandId, "context.delete");
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    }
    add(PropertiesCommandId, "context.properties", inFileSystem);
    ::SetMenuDefaultItem(menu, OpenContextCommandId, FALSE);
    const BOOL chosen = ::TrackPopupMenu(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, owner, nullptr);
    RunContextCommand(static_cast<int>(chosen), node, owner);
}

void ResultLists::RunContextCommand(int command, std::uint64_t node, HWND owner) {
    if (node >= result_.nodes.size()) {
        return;
    }
    // Made only for the entries that use it: a deep node's path costs a walk up.
    const auto path = [&] { return result_.nodes[node].Path(); };
    switch (command) {
        case OpenContextCommandId: OpenNode(owner, node); break;
        case ShowInTreeCommandId: ShowInTree(node, true); break;
        case ShowInExplorerCommandId:
            if (!shell_->ShowInExplorer(owner, path())) events_.notice("status.open_failed");
            break;
        case CopyPathCommandId:
            if (!CopyTextToClipboard(owner, path())) events_.notice("status.copy_failed");
            break;
        case CopyCsvRowCommandId:
            if (!CopyTextToClipboard(owner, CsvRowOf(result_.nodes[node]))) events_.notice("status.copy_failed");
            break;
        case DeleteToRecycleBinCommandId: DeleteToRecycleBin(owner, node); break;
        case RescanContextCommandId: events_.rescanFolder(node); break;
        case PropertiesCommandId:
            if (!shell_->ShowProperties(owner, path())) events_.notice("status.open_failed");
            break;
        default: break;
    }
}

void ResultLists::ShowInTree(std::uint64_t node, bool keepRankings) {
    if (rows_.ExpandTo(node)) {
        RebuildTreeList();
        SelectTreeNode(node, !keepRankings);
    }
}

bool ResultLists::CanDelete(std::uint64_t node) const {
    if (node >= result_.nodes.size() || node == result_.rootIndex || result_.nodes[node].Path().empty()) {
        return false;
    }
    // The drives under the merged root of several drives are roots too.
    const std::uint64_t parent = result_.nodes[node].Parent();
    return !(parent == result_.rootIndex && result_.rootPath == core::MergedRootName);
}

std::wstring ResultLists::DeletionPrompt(std::uint64_t node) {
    const core::NodeView target = result_.nodes[node];
    const DeletionFacts facts = FactsOf(target);
    std::wstring text = localizer_.Translate("dialog.delete.prompt") + L"\n\n" + target.Path() + L"\n\n" +
                        localizer_.Translate("dialog.delete.size") + L" " + i18n::FormatSize(locale_, facts.bytes);
    if (target.IsDirectory()) {
        text += L"\n" + localizer_.Translate("dialog.delete.files") + L" " + i18n::FormatCount(locale_, facts.files);
    }
    return text;
}

bool ResultLists::StillAsShown(std::uint64_t node) {
    const std::wstring path = result_.nodes[node].Path();
    const auto now = shell_->Inspect(path);
    const auto own = ownWriteTimes_.find(path);
    return now && StillAsScanned(result_.nodes[node], *now, own != ownWriteTimes_.end() ? own->second : 0);
}

void ResultLists::DeleteToRecycleBin(HWND owner, std::uint64_t node) {
    if (!CanDelete(node)) {
        return;
    }
    // The path may hold something else by now (a file replaced by a folder
    // of the same name): the prompt would name what the user saw and the bin
    // would take what is there. Asked again after the prompt, which may have
    // stood open for a while.
    if (!StillAsShown(node)) {
        events_.notice("status.delete_changed");
        return;
    }
    if (!shell_->Confirm(owner, localizer_.Translate("dialog.delete.title"), DeletionPrompt(node))) {
        return;
    }
    if (!StillAsShown(node)) {
        events_.notice("status.delete_changed");
        return;
    }
    switch (shell_->Recycle(owner, result_.nodes[node].Path())) {
        case RecycleOutcome::Refused: events_.notice("status.delete_refused"); return;
        case RecycleOutcome::Failed: events_.notice("status.delete_failed"); return;
        case RecycleOutcome::Recycled: break;
    }
    const std::uint64_t parent = result_.nodes[node].Parent();
    // Our own deletion moved the folder's write time; that is no change the
    // user has not seen.
    const std::wstring parentPath = result_.nodes[parent].Path();
    if (const auto folder = shell_->Inspect(parentPath)) {
        ownWriteTimes_[parentPath] = folder->lastWriteTime;
    }
    if (events_.resultWillChange) {
        events_.resultWillChange();
    }
    subtreeIndex_.Reset();  // no one reads the result while it changes
    const auto removed = RemoveSubtree(result_, node);
    if (!removed) {
        subtreeIndex_.Start(result_);
        return;
    }
    // The folder whose rankings were shown stays selected; when it went
    // with the item, the folder that held the item takes its place.
    std::uint64_t selected = selectedNode_ < removed->newIndexOf.size() ? removed->newIndexOf[selectedNode_]
                                                                         : core::NoIndex;
    if (selected == core::NoIndex) {
        selected = removed->newIndexOf[parent];
    }
    subtreeIndex_.Start(result_);
    change_.Refresh(result_);
    rows_.Renumber(removed->newIndexOf);
    rows_.ExpandTo(selected);  // a row to select, so the rankings are filled again
    RebuildTreeList();
    selectedNode_ = selected;
    SelectTreeNode(selected);
    events_.notice("status.deleted");
    if (events_.resultChanged) {
        events_.resultChanged();
    }
}

}  // namespace varnel::ui
