#pragma once
// The system's Shift-JIS text at the Win32 calls: always through code page 932, so the window
// reads right also where the system's own code page is another.
#include <string>
#include <string_view>

namespace tavori::ui {

std::wstring Wide(std::string_view sjis);
std::string Narrow(std::wstring_view text);

}  // namespace tavori::ui
