#include "ui/lists/ShellActions_win.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <shellapi.h>

#include <cstring>

#include "platform/ComOwners_win.h"

namespace varnel::ui {
namespace {

// Recycling is asked for twice over: FOFX_RECYCLEONDELETE alone would also
// delete for good what the bin refuses (too big, a drive without a bin), so
// FOF_WANTNUKEWARNING makes the shell ask before it does that, while our own
// confirmation stands in for its ordinary one.
constexpr DWORD RecycleFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_WANTNUKEWARNING | FOF_NOCONFIRMMKDIR;

RecycleOutcome RecycleWithFileOperation(HWND owner, const std::wstring& path, bool& unavailable) {
    platform::ComPtr<IFileOperation> operation;
    if (FAILED(::CoCreateInstance(CLSID_FileOperation, nullptr, CLSCTX_ALL, IID_IFileOperation,
                                  operation.put_void()))) {
        unavailable = true;
        return RecycleOutcome::Failed;
    }
    platform::ComPtr<IShellItem> item;
    if (FAILED(::SHCreateItemFromParsingName(path.c_str(), nullptr, IID_IShellItem, item.put_void()))) {
        return RecycleOutcome::Failed;
    }
    // FOFX_RECYCLEONDELETE (Windows 8 on) spelled out: older headers lack it.
    constexpr DWORD RecycleOnDelete = 0x00080000;
    operation->SetOwnerWindow(owner);  // only where its dialogs appear; Wine has a stub
    if (FAILED(operation->SetOperationFlags(RecycleFlags | RecycleOnDelete))) {
        unavailable = true;
        return RecycleOutcome::Failed;
    }
    if (FAILED(operation->DeleteItem(item.get(), nullptr))) {
        unavailable = true;
        return RecycleOutcome::Failed;
    }
    const HRESULT performed = operation->PerformOperations();
    BOOL aborted = FALSE;
    operation->GetAnyOperationsAborted(&aborted);
    if (performed == E_NOTIMPL) {
        unavailable = true;
        return RecycleOutcome::Failed;
    }
    if (aborted || performed == HRESULT_FROM_WIN32(ERROR_CANCELLED)) {
        return RecycleOutcome::Refused;
    }
    return SUCCEEDED(performed) ? RecycleOutcome::Recycled : RecycleOutcome::Failed;
}

RecycleOutcome RecycleWithFileOperationStruct(HWND owner, const std::wstring& path) {
    std::wstring from = path;
    from.push_back(L'\0');  // the list of paths ends with an empty one
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = owner;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = static_cast<FILEOP_FLAGS>(RecycleFlags);
    const int code = ::SHFileOperationW(&operation);
    if (operation.fAnyOperationsAborted) {
        return RecycleOutcome::Refused;
    }
    return code == 0 ? RecycleOutcome::Recycled : RecycleOutcome::Failed;
}

class SystemShellActions final : public ShellActions {
public:
    bool ShowInExplorer(HWND, const std::wstring& path) override {
        // The window thread is usually in its apartment already (after the
        // folder picker); that counts as success too.
        const platform::ComApartment com;
        platform::UniqueTaskMemory<PIDLIST_ABSOLUTE> item;
        if (FAILED(::SHParseDisplayName(path.c_str(), nullptr, item.put(), 0, nullptr))) {
            return false;
        }
        return SUCCEEDED(::SHOpenFolderAndSelectItems(item.get(), 0, nullptr, 0));
    }

    bool ShowProperties(HWND owner, const std::wstring& path) override {
        return ::SHObjectProperties(owner, SHOP_FILEPATH, path.c_str(), nullptr) != FALSE;
    }

    bool Confirm(HWND owner, const std::wstring& title, const std::wstring& text) override {
        return ::MessageBoxW(owner, text.c_str(), title.c_str(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
    }

    RecycleOutcome Recycle(HWND owner, const std::wstring& path) override {
        const platform::ComApartment com;
        bool unavailable = false;
        const RecycleOutcome outcome = RecycleWithFileOperation(owner, path, unavailable);
        // Systems without the file operation object (Wine has only part of
        // it) get the older call, with the same promise about the bin.
        return unavailable ? RecycleWithFileOperationStruct(owner, path) : outcome;
    }
};

}  // namespace

std::optional<ItemOnDisk> InspectOnDisk(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    ItemOnDisk item;
    item.directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!item.directory) {
        item.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    item.lastWriteTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                         data.ftLastWriteTime.dwLowDateTime;
    return item;
}

bool StillAsScanned(const core::NodeView& scanned, const ItemOnDisk& now, std::uint64_t ownWriteTime) {
    if (scanned.IsDirectory() != now.directory) {
        return false;
    }
    if (!now.directory && scanned.Size() != now.size) {
        return false;
    }
    const std::uint64_t time = scanned.LastWriteTime();
    return time == 0 || time == now.lastWriteTime || (ownWriteTime != 0 && ownWriteTime == now.lastWriteTime);
}

std::unique_ptr<ShellActions> MakeSystemShellActions() { return std::make_unique<SystemShellActions>(); }

bool CopyTextToClipboard(HWND owner, const std::wstring& text) {
    if (!::OpenClipboard(owner)) {
        return false;
    }
    bool copied = false;
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (::EmptyClipboard()) {
        if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            if (void* target = ::GlobalLock(memory)) {
                std::memcpy(target, text.c_str(), bytes);
                ::GlobalUnlock(memory);
                copied = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            }
            if (!copied) ::GlobalFree(memory);  // the clipboard owns it only once set
        }
    }
    ::CloseClipboard();
    return copied;
}

}  // namespace varnel::ui
