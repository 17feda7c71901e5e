#include <cstdio>

#include "base/sjis_text.h"
#include "platform/date_value.h"
#include "platform/locale.h"

namespace tavori::platform {

std::string DateSeparator() { return "/"; }
std::string TimeSeparator() { return ":"; }

int CompareTextIgnoreCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return static_cast<unsigned char>(LowerAscii(c)); };
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = lower(a[i]), y = lower(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string SortKeyIgnoreCase(std::string_view text) {
    std::string key(text);
    for (char& c : key) c = LowerAscii(c);
    return key;
}

int CompareTextLocale(std::string_view a, std::string_view b) {
    if (int folded = CompareTextIgnoreCase(a, b); folded != 0) return folded;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) return (a[i] >= 'a' && a[i] <= 'z') ? -1 : 1;
    return 0;
}

std::string FormatLocalDateTime(double value) {
    const DateTimeParts p = DecodeDateTime(value);
    char text[40];
    if (p.hour == 0 && p.minute == 0 && p.second == 0)
        std::snprintf(text, sizeof text, "%04d/%02d/%02d", p.year, p.month, p.day);
    else
        std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", p.year, p.month, p.day,
                      p.hour, p.minute, p.second);
    return text;
}

}  // namespace tavori::platform
