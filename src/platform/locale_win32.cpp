#include <windows.h>

#include "platform/date_value.h"
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
    // An empty view may have no address, which the system refuses as a bad parameter.
    const char* const pa = a.empty() ? "" : a.data();
    const char* const pb = b.empty() ? "" : b.data();
    int r = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, pa, static_cast<int>(a.size()), pb,
                           static_cast<int>(b.size()));
    return r == 0 ? 0 : r - CSTR_EQUAL;
}

// The system's documented promise: sort keys compare as CompareStringA compares the texts.
// The key ends in a NUL, as every key does.
std::string SortKeyIgnoreCase(std::string_view text) {
    constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
    // The empty text as a terminated one: a length of 0 is refused as a bad parameter.
    const char* const p = text.empty() ? "" : text.data();
    const int n = text.empty() ? -1 : static_cast<int>(text.size());
    std::string key(static_cast<std::size_t>(text.size()) * 4 + 16, '\0');
    int size =
        LCMapStringA(LOCALE_USER_DEFAULT, kFlags, p, n, key.data(), static_cast<int>(key.size()));
    if (size == 0) {  // too small after all: asked for the size
        size = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, p, n, nullptr, 0);
        key.assign(static_cast<std::size_t>(size), '\0');
        size = LCMapStringA(LOCALE_USER_DEFAULT, kFlags, p, n, key.data(), size);
    }
    key.resize(static_cast<std::size_t>(size));
    return key;
}

int CompareTextLocale(std::string_view a, std::string_view b) {
    return lstrcmpA(std::string(a).c_str(), std::string(b).c_str());
}

std::string FormatLocalDateTime(double value) {
    const DateTimeParts p = DecodeDateTime(value);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(p.year);
    st.wMonth = static_cast<WORD>(p.month);
    st.wDay = static_cast<WORD>(p.day);
    st.wHour = static_cast<WORD>(p.hour);
    st.wMinute = static_cast<WORD>(p.minute);
    st.wSecond = static_cast<WORD>(p.second);
    char date[64] = {}, time[64] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof date);
    std::string text = date;
    if (p.hour != 0 || p.minute != 0 || p.second != 0) {
        GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, sizeof time);
        text += " ";
        text += time;
    }
    return text;
}

}  // namespace tavori::platform
