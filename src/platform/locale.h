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

}  // namespace tavori::platform
