#pragma once
// Helpers shared by the Win32 implementations of the platform services.
#include <windows.h>

#include <string>

namespace tavori::platform::win32 {

// The system's text for an error code (Shift-JIS under code page 932), without the line end.
std::string ErrorText(DWORD code);

}  // namespace tavori::platform::win32
