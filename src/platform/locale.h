#pragma once
// Locale services of the user's system: separators for dates and times, and text comparison.
#include <string>
#include <string_view>

namespace tavori::platform {

// The system's date and time separators ("/" and ":" on a Japanese-language system).
std::string DateSeparator();
std::string TimeSeparator();

// Locale-aware comparison that ignores letter case; below, equal to or above zero.
// Windows: CompareStringA with the user's default locale and NORM_IGNORECASE.
// POSIX: bytewise, with the ASCII letters compared without case.
int CompareTextIgnoreCase(std::string_view a, std::string_view b);

// A key for text whose bytes, compared as std::string compares them, order texts as
// CompareTextIgnoreCase orders them: made once for each text of a sort that compares every
// text many times. Windows: LCMapStringA's sort key, same locale, same flags.
std::string SortKeyIgnoreCase(std::string_view text);

// The locale's ordering of texts, as folder names are sorted in the tree.
// Windows: lstrcmpA. POSIX: letter case ignored first, lower case before upper case on a tie.
int CompareTextLocale(std::string_view a, std::string_view b);

// A date-time value as the user's locale writes it: short date, then long time; the time is
// left out when it is exactly midnight.
std::string FormatLocalDateTime(double value);

}  // namespace tavori::platform
