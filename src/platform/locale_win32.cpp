#include <windows.h>

#include "platform/locale.h"

namespace tavori::platform {
namespace {

std::string LocaleText(LCTYPE type, const char* fallback) {
    char text[16] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, text, sizeof text) <= 1) return fallback;
    return text;
}

}  // namespace

std::string DateSeparator() { return LocaleText(LOCALE_SDATE, "/"); }
std::string TimeSeparator() { return LocaleText(LOCALE_STIME, ":"); }

int CompareTextIgnoreCase(std::string_view a, std::string_view b) {
    int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                           static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
    return r == 0 ? 0 : r - CSTR_EQUAL;
}

}  // namespace tavori::platform
