#include "platform/SystemErrorText_win.h"

namespace varnel::platform {

std::wstring SystemErrorText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring sentence = length != 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
    ::LocalFree(text);
    while (!sentence.empty() && (sentence.back() == L'\n' || sentence.back() == L'\r' || sentence.back() == L' ' ||
                                 sentence.back() == L'.')) {
        sentence.pop_back();
    }
    return sentence.empty() ? L"error " + std::to_wstring(error) : sentence;
}

}  // namespace varnel::platform
