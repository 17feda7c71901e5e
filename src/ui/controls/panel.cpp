#include "ui/controls/panel.h"

#include <algorithm>
#include <utility>

#include "ui/controls/edit.h"
#include "ui/controls/label.h"

namespace tavori::ui {

namespace {

constexpr wchar_t kPanelClass[] = L"TavoriPanel";

// width rings of one pixel from the outside in: top and left edges in one colour, bottom and
// right edges in the other.
void DrawFrame(HDC dc, RECT r, int width, COLORREF topLeft, COLORREF bottomRight) {
    HBRUSH light = CreateSolidBrush(topLeft);
    HBRUSH dark = CreateSolidBrush(bottomRight);
    for (int i = 0; i < width && r.right > r.left && r.bottom > r.top; ++i) {
        const RECT top{r.left, r.top, r.right, r.top + 1};
        const RECT left{r.left, r.top, r.left + 1, r.bottom};
        const RECT bottom{r.left, r.bottom - 1, r.right, r.bottom};
        const RECT right{r.right - 1, r.top, r.right, r.bottom};
        FillRect(dc, &top, light);
        FillRect(dc, &left, light);
        FillRect(dc, &bottom, dark);
        FillRect(dc, &right, dark);
        InflateRect(&r, -1, -1);
    }
    DeleteObject(light);
    DeleteObject(dark);
}

void PaintFrame(HWND hwnd, const Panel& panel) {
    HDC dc = GetWindowDC(hwnd);
    if (!dc) return;
    RECT r{};
    GetWindowRect(hwnd, &r);
    OffsetRect(&r, -r.left, -r.top);
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
    if (panel.Sunken()) std::swap(light, dark);
    DrawFrame(dc, r, panel.BorderWidth(), light, dark);
    ReleaseDC(hwnd, dc);
}

LRESULT CALLBACK PanelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // Only Panel creates windows of this class; during CreateWindow the wrapper is not yet set.
    auto* panel = static_cast<Panel*>(Control::FromHwnd(hwnd));
    if (panel) {
        bool handled = false;
        const LRESULT result = ContainerProc(hwnd, message, wParam, lParam, handled);
        if (handled) return result;
        switch (message) {
            case WM_NCCALCSIZE: {
                // The first rectangle is the window's in both forms of the message; what is
                // left of it after the frame is the client area.
                auto* r = reinterpret_cast<RECT*>(lParam);
                const int b = panel->BorderWidth();
                r->left += b;
                r->top += b;
                r->right = std::max(r->left, r->right - b);
                r->bottom = std::max(r->top, r->bottom - b);
                return 0;
            }
            case WM_NCPAINT:
                PaintFrame(hwnd, *panel);
                return 0;
            case WM_SIZE:
                if (panel->onResize) panel->onResize(LOWORD(lParam), HIWORD(lParam));
                return 0;
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void RegisterPanelClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = PanelProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kPanelClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
}

// The colours of a direct child that has a wrapper saying so; nullptr for the default.
HBRUSH ChildColors(HWND container, HWND child, HDC dc) {
    // Only direct children: the inner edit of a combo box reaches us through the combo box,
    // and its window data is not a wrapper.
    if (GetParent(child) != container) return nullptr;
    Control* control = Control::FromHwnd(child);
    if (!control) return nullptr;
    if (auto* edit = dynamic_cast<Edit*>(control)) return edit->PrepareColors(dc);
    if (auto* label = dynamic_cast<Label*>(control)) {
        if (label->TextColor() != CLR_INVALID) SetTextColor(dc, label->TextColor());
    }
    return nullptr;
}

}  // namespace

Panel::Panel(const PanelArgs& args)
    : borderWidth_(std::max(0, args.borderWidth)), sunken_(args.sunken) {
    RegisterPanelClass();
    Create(kPanelClass, "", WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT,
           args.parent, args.id);
    // The frame needs the wrapper, which CreateWindow could not reach yet.
    SetWindowPos(Hwnd(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

LRESULT ContainerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    LRESULT result = 0;
    handled = RouteToControl(message, wParam, lParam, result);
    if (handled) return result;
    switch (message) {
        case WM_CTLCOLOREDIT: {
            // An edit without colours of its own keeps the system's window colours.
            HBRUSH brush =
                ChildColors(hwnd, reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
            handled = brush != nullptr;
            return reinterpret_cast<LRESULT>(brush);
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            auto* dc = reinterpret_cast<HDC>(wParam);
            HBRUSH brush = ChildColors(hwnd, reinterpret_cast<HWND>(lParam), dc);
            if (!brush) {
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                brush = GetSysColorBrush(COLOR_BTNFACE);
            }
            handled = true;
            return reinterpret_cast<LRESULT>(brush);
        }
    }
    return 0;
}

}  // namespace tavori::ui
