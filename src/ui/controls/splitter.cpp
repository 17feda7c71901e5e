#include "ui/controls/splitter.h"

#include <windowsx.h>

namespace tavori::ui {

namespace {

constexpr wchar_t kSplitterClass[] = L"TavoriSplitter";

// Screen coordinates: the bar itself moves while it is dragged.
POINT ScreenPoint(HWND hwnd, LPARAM lParam) {
    POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(hwnd, &p);
    return p;
}

LRESULT CALLBACK SplitterProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // Only Splitter creates windows of this class; during CreateWindow the wrapper is not yet set.
    auto* splitter = static_cast<Splitter*>(Control::FromHwnd(hwnd));
    if (splitter) {
        switch (message) {
            case WM_SETCURSOR:
                if (LOWORD(lParam) != HTCLIENT) break;
                SetCursor(LoadCursorA(nullptr, splitter->Vertical() ? IDC_SIZEWE : IDC_SIZENS));
                return TRUE;
            case WM_LBUTTONDOWN:
                SetCapture(hwnd);
                splitter->BeginDrag(ScreenPoint(hwnd, lParam));
                return 0;
            case WM_MOUSEMOVE:
                splitter->MoveDrag(ScreenPoint(hwnd, lParam));
                return 0;
            case WM_LBUTTONUP:
                splitter->EndDrag();
                if (GetCapture() == hwnd) ReleaseCapture();
                return 0;
            case WM_CAPTURECHANGED:
                splitter->EndDrag();
                return 0;
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterSplitterClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = SplitterProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kSplitterClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
}

}  // namespace

Splitter::Splitter(const SplitterArgs& args) : vertical_(args.vertical) {
    RegisterSplitterClass();
    Create(kSplitterClass, "", WS_VISIBLE, 0, args.parent, args.id);
}

void Splitter::BeginDrag(POINT screen) {
    dragging_ = true;
    start_ = vertical_ ? screen.x : screen.y;
    lastDelta_ = 0;
    if (onDragStart) onDragStart();
}

void Splitter::MoveDrag(POINT screen) {
    if (!dragging_) return;
    const int delta = (vertical_ ? screen.x : screen.y) - start_;
    if (delta == lastDelta_) return;
    lastDelta_ = delta;
    if (onDrag) onDrag(delta);
}

void Splitter::EndDrag() {
    if (!dragging_) return;
    dragging_ = false;
    if (onDragEnd) onDragEnd();
}

}  // namespace tavori::ui
