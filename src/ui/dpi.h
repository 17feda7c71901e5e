#pragma once
// Dots per inch of the window's monitor, and the layout's sizes, which are given at 96 (100 %),
// at that DPI. The program declares per-monitor awareness, so on a 150 % display its windows
// are laid out at 150 % themselves instead of being stretched into blur by the system.
#include <windows.h>

namespace tavori::ui {

constexpr UINT kDesignDpi = 96;

// The DPI of hwnd's monitor (the system's before Windows 10, or for no window); a DPI set by
// SetDpiForTests instead, when one is.
UINT WindowDpi(HWND hwnd);

// A size of the layout (at 96 DPI) at dpi: the same at 96 DPI, rounded to the nearest pixel.
inline int Scale(int designPixels, UINT dpi) {
    return MulDiv(designPixels, static_cast<int>(dpi), static_cast<int>(kDesignDpi));
}

// Lays the windows out at dpi whatever the monitor says (0: the monitor's again), so that
// tests see the layout of a scaled display on any machine.
void SetDpiForTests(UINT dpi);

}  // namespace tavori::ui
