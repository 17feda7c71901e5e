#pragma once
// The texts of the version dialog, built from the version information of the executable.
// Shift-JIS byte strings; portable, no window involved.
#include <string>
#include <string_view>

namespace tavori::ui {

// productName, a line break and the version, the last dot of the version turned into the
// build number: ("Tavori!", "2.5.1.17") gives "Tavori!\nVersion. 2.5.1 (Build 17)". Without a
// dot in fileVersion the dot of "Version." is the last one: "7" gives "\nVersion (Build  7)".
std::string VersionLine(const std::string& productName, const std::string& fileVersion);

// Every two-character "\" "n" (as a version resource holds a line break) becomes CR LF.
// The second byte of a double-byte character is never taken for the backslash.
std::string ConvertCommentBreaks(std::string_view comments);

// "\StringFileInfo\" + language and code page as eight upper-case hexadecimal digits + "\":
// where a version resource keeps the texts of one translation.
std::string StringFileInfoPrefix(unsigned language, unsigned codePage);

}  // namespace tavori::ui
