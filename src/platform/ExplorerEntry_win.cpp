#include "platform/ExplorerEntry_win.h"

#include "platform/UniqueHandle_win.h"

namespace varnel::platform {
namespace {

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { ::RegCloseKey(handle); }
};
using UniqueRegistryKey = UniqueHandle<RegistryKeyTraits>;

std::wstring CommandFor(const std::wstring& exePath) {
    // %V is the folder for a folder and the root ("C:\") for a drive, quoted
    // so that spaces survive. A root's '\' before the closing quote reads as
    // an escaped quote to CommandLineToArgvW; the program undoes that.
    return L"\"" + exePath + L"\" \"%V\"";
}

LSTATUS SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring ReadString(const std::wstring& subkey, const wchar_t* name) {
    wchar_t buffer[2048]{};
    DWORD bytes = sizeof buffer - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_CURRENT_USER, subkey.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &bytes) !=
        ERROR_SUCCESS) {
        return {};
    }
    return buffer;
}

LSTATUS WriteEntry(const wchar_t* keyPath, const std::wstring& exePath, const std::wstring& label) {
    UniqueRegistryKey entry;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, entry.put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    if ((status = SetString(entry.get(), nullptr, label)) != ERROR_SUCCESS) return status;
    if ((status = SetString(entry.get(), L"Icon", L"\"" + exePath + L"\",0")) != ERROR_SUCCESS) return status;
    UniqueRegistryKey command;
    status = ::RegCreateKeyExW(entry.get(), L"command", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                               command.put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    return SetString(command.get(), nullptr, CommandFor(exePath));
}

void DeleteIfEmpty(const std::wstring& keyPath) {
    UniqueRegistryKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        return;
    }
    DWORD subkeys = 0;
    DWORD values = 0;
    if (::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                           nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        subkeys == 0 && values == 0) {
        key.reset();
        ::RegDeleteKeyW(HKEY_CURRENT_USER, keyPath.c_str());
    }
}

}  // namespace

bool IsExplorerEntryInstalled(const std::wstring& exePath) {
    for (const wchar_t* keyPath : ExplorerEntryKeys) {
        if (ReadString(std::wstring(keyPath) + L"\\command", nullptr) != CommandFor(exePath)) {
            return false;
        }
    }
    return true;
}

LSTATUS InstallExplorerEntry(const std::wstring& exePath, const std::wstring& label) {
    for (const wchar_t* keyPath : ExplorerEntryKeys) {
        const LSTATUS status = WriteEntry(keyPath, exePath, label);
        if (status != ERROR_SUCCESS) {
            RemoveExplorerEntry();
            return status;
        }
    }
    return ERROR_SUCCESS;
}

LSTATUS RemoveExplorerEntry() {
    LSTATUS first = ERROR_SUCCESS;
    for (const wchar_t* keyPath : ExplorerEntryKeys) {
        const LSTATUS status = ::RegDeleteTreeW(HKEY_CURRENT_USER, keyPath);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && first == ERROR_SUCCESS) {
            first = status;
        }
        // "shell" and "Directory" may have been made for the entry alone;
        // they go too when nothing else is in them.
        std::wstring parent = keyPath;
        for (int level = 0; level < 2; ++level) {
            parent.resize(parent.rfind(L'\\'));
            DeleteIfEmpty(parent);
        }
    }
    return first;
}

}  // namespace varnel::platform
