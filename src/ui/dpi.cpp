#include "ui/dpi.h"

namespace tavori::ui {
namespace {

UINT gTestDpi = 0;

// GetDpiForWindow is Windows 10's: looked up, so that the program still starts on older ones.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
GetDpiForWindowFn DpiForWindow() {
    static const auto fn = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return fn;
}

}  // namespace

UINT WindowDpi(HWND hwnd) {
    if (gTestDpi != 0) return gTestDpi;
    if (hwnd) {
        if (const auto fn = DpiForWindow()) {
            if (const UINT dpi = fn(hwnd)) return dpi;
        }
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

void SetDpiForTests(UINT dpi) { gTestDpi = dpi; }

}  // namespace tavori::ui
