#include "ui/controls/control.h"

#include "ui/dpi.h"
#include "ui/text.h"

namespace tavori::ui {
namespace {

// Every control with bounds of the layout, while it lives (one thread runs the windows).
std::vector<Control*>& Placed() {
    static std::vector<Control*> placed;
    return placed;
}

}  // namespace

Control::~Control() {
    if (placed_) std::erase(Placed(), this);
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void Control::Create(const wchar_t* windowClass, const std::string& text, DWORD style,
                     DWORD exStyle, HWND parent, int id) {
    HWND hwnd = CreateWindowExW(exStyle, windowClass, Wide(text).c_str(), style | WS_CHILD, 0, 0, 0,
                                0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
    Attach(hwnd);
}

void Control::Attach(HWND hwnd) {
    hwnd_ = hwnd;
    if (hwnd_) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Control* Control::FromHwnd(HWND hwnd) {
    if (!hwnd) return nullptr;
    return reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void Control::SetBounds(int x, int y, int width, int height) {
    MoveWindow(hwnd_, x, y, width, height, TRUE);
}

void Control::Place(int x, int y, int width, int height) {
    design_ = {x, y, width, height};
    if (!placed_) Placed().push_back(this);
    placed_ = true;
    Rescale(WindowDpi(GetParent(hwnd_)));
}

void Control::Rescale(UINT dpi) {
    if (!placed_) return;
    SetBounds(Scale(design_.left, dpi), Scale(design_.top, dpi), Scale(design_.right, dpi),
              Scale(design_.bottom, dpi));
}

std::vector<Control*> Control::PlacedWithin(HWND root) {
    std::vector<Control*> within;
    for (Control* control : Placed())
        if (control->hwnd_ && IsChild(root, control->hwnd_)) within.push_back(control);
    return within;
}

RECT Control::Bounds() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Control::SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }

bool Control::Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }

void Control::SetVisible(bool visible) { ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE); }

void Control::SendToBack() {
    SetWindowPos(hwnd_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Control::SetText(const std::string& sjis) { SetWindowTextW(hwnd_, Wide(sjis).c_str()); }

std::string Control::Text() const {
    const int n = GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(hwnd_, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(got));
    return Narrow(text);
}

void Control::SetFont(HFONT font) {
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool RouteToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_COMMAND && lParam != 0) {
        if (Control* control = Control::FromHwnd(reinterpret_cast<HWND>(lParam))) {
            control->OnCommand(HIWORD(wParam));
            result = 0;
            return true;
        }
    } else if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (Control* control = Control::FromHwnd(header->hwndFrom)) {
            result = control->OnNotify(header);
            return true;
        }
    }
    return false;
}

}  // namespace tavori::ui
