#include "ui/text.h"

#include <windows.h>

namespace tavori::ui {

constexpr UINT kShiftJis = 932;

std::wstring Wide(std::string_view sjis) {
    if (sjis.empty()) return {};
    const int n =
        MultiByteToWideChar(kShiftJis, 0, sjis.data(), static_cast<int>(sjis.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(kShiftJis, 0, sjis.data(), static_cast<int>(sjis.size()), text.data(), n);
    return text;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(kShiftJis, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string sjis(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(kShiftJis, 0, text.data(), static_cast<int>(text.size()), sjis.data(), n,
                        nullptr, nullptr);
    return sjis;
}

}  // namespace tavori::ui
