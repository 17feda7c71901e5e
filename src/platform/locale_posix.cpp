#include "platform/locale.h"

namespace tavori::platform {

std::string DateSeparator() { return "/"; }
std::string TimeSeparator() { return ":"; }

int CompareTextIgnoreCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) -> unsigned char {
        return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    };
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = lower(a[i]), y = lower(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace tavori::platform
