#include "ui/bevel_label.h"

#include <algorithm>
#include <utility>

#include "ui/text.h"

namespace tavori::ui {

namespace {

constexpr wchar_t kBevelLabelClass[] = L"TavoriBevelLabel";

// Top-left and bottom-right colours of a bevel: raised unless lowered (a space bevel too).
std::pair<COLORREF, COLORREF> BevelColors(TBevelCut cut) {
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    if (cut == bvLowered) return {shadow, highlight};
    return {highlight, shadow};
}

void Fill(HDC dc, LONG left, LONG top, LONG right, LONG bottom, HBRUSH brush) {
    const RECT r{left, top, right, bottom};
    if (r.right > r.left && r.bottom > r.top) FillRect(dc, &r, brush);
}

// width rings of one pixel from the outside in, each with its top and left edges in topLeft
// and its bottom and right edges in bottomRight (the top-right corner belongs to the right
// edge, the bottom-left one to the left edge); r shrinks by width on every side.
void Frame3D(HDC dc, RECT& r, COLORREF topLeft, COLORREF bottomRight, int width) {
    HBRUSH light = CreateSolidBrush(topLeft);
    HBRUSH dark = CreateSolidBrush(bottomRight);
    for (int i = 0; i < width; ++i) {
        Fill(dc, r.left, r.top, r.right - 1, r.top + 1, light);
        Fill(dc, r.left, r.top, r.left + 1, r.bottom, light);
        Fill(dc, r.right - 1, r.top, r.right, r.bottom, dark);
        Fill(dc, r.left + 1, r.bottom - 1, r.right, r.bottom, dark);
        InflateRect(&r, -1, -1);
    }
    DeleteObject(light);
    DeleteObject(dark);
}

void PaintWide(HDC dc, RECT r, const BevelStyle& style, const std::wstring& caption, HFONT font,
               bool enabled) {
    const int saved = SaveDC(dc);
    const int bevelWidth = std::max(1, style.bevelWidth);
    if (style.bevelOuter != bvNone) {
        const auto [topLeft, bottomRight] = BevelColors(style.bevelOuter);
        Frame3D(dc, r, topLeft, bottomRight, bevelWidth);
    }
    Frame3D(dc, r, style.color, style.color, std::max(0, style.borderWidth));
    if (style.bevelInner != bvNone) {
        const auto [topLeft, bottomRight] = BevelColors(style.bevelInner);
        Frame3D(dc, r, topLeft, bottomRight, bevelWidth);
    }
    HBRUSH fill = CreateSolidBrush(style.color);
    Fill(dc, r.left, r.top, r.right, r.bottom, fill);
    DeleteObject(fill);
    InflateRect(&r, -style.textBorder, -style.textBorder);

    if (!caption.empty()) {
        if (font) SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        UINT flags = DT_EXPANDTABS | DT_NOPREFIX;
        if (style.wordWrap) flags |= DT_WORDBREAK;
        if (style.alignment == taRightJustify) flags |= DT_RIGHT;
        if (style.alignment == taCenter) flags |= DT_CENTER;
        auto draw = [&](RECT box) {
            DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &box, flags);
        };
        if (style.layout != tlTop) {
            RECT measured = r;
            DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measured,
                      flags | DT_CALCRECT);
            // The area's height counted inclusively: a bottom-laid text ends one pixel below it.
            const LONG d = (r.bottom - r.top + 1) - (measured.bottom - measured.top);
            OffsetRect(&r, 0, style.layout == tlBottom ? d : d / 2);
        }
        if (enabled) {
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            draw(r);
        } else {
            // Engraved, as a disabled static text: a highlight copy one pixel down and right
            // under the text in the shadow colour.
            RECT shifted = r;
            OffsetRect(&shifted, 1, 1);
            SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
            draw(shifted);
            SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
            draw(r);
        }
    }
    RestoreDC(dc, saved);
}

void RegisterBevelLabelClass(WNDPROC proc) {
    static const bool registered = [proc] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        // Alignment and layout depend on the size: a resize repaints the whole label.
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = kBevelLabelClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
}

}  // namespace

bool SetDown(BevelStyle& style, bool down) {
    if (style.down == down) return false;
    style.down = down;
    style.bevelInner = down ? bvLowered : bvRaised;
    style.bevelOuter = bvNone;
    return true;
}

void PaintBevelLabel(HDC dc, RECT client, const BevelStyle& style, const std::string& caption,
                     HFONT font, bool enabled) {
    PaintWide(dc, client, style, Wide(caption), font, enabled);
}

TBevelLabel::TBevelLabel(const BevelLabelArgs& args) : style_(args.style) {
    style_.bevelWidth = std::max(1, style_.bevelWidth);
    style_.borderWidth = std::max(0, style_.borderWidth);
    RegisterBevelLabelClass(&TBevelLabel::WindowProc);
    // Its paint fills every pixel: siblings above it (the controls a frame surrounds) are
    // kept out of it.
    Create(kBevelLabelClass, args.caption, WS_VISIBLE | WS_CLIPSIBLINGS, 0, args.parent, args.id);
}

void TBevelLabel::SetStyle(const BevelStyle& style) {
    style_ = style;
    style_.bevelWidth = std::max(1, style_.bevelWidth);
    style_.borderWidth = std::max(0, style_.borderWidth);
    Repaint();
}

void TBevelLabel::SetDown(bool down) {
    if (ui::SetDown(style_, down)) Repaint();
}

void TBevelLabel::SetBevelInner(TBevelCut cut) {
    style_.bevelInner = cut;
    Repaint();
}

void TBevelLabel::SetBevelOuter(TBevelCut cut) {
    style_.bevelOuter = cut;
    Repaint();
}

void TBevelLabel::SetBevelWidth(int width) {
    style_.bevelWidth = std::max(1, width);
    Repaint();
}

void TBevelLabel::SetBorderWidth(int width) {
    style_.borderWidth = std::max(0, width);
    Repaint();
}

void TBevelLabel::SetTextBorder(int border) {
    style_.textBorder = border;
    Repaint();
}

void TBevelLabel::SetAlignment(TAlignment alignment) {
    style_.alignment = alignment;
    Repaint();
}

void TBevelLabel::SetLayout(TTextLayout layout) {
    style_.layout = layout;
    Repaint();
}

void TBevelLabel::SetWordWrap(bool wrap) {
    style_.wordWrap = wrap;
    Repaint();
}

void TBevelLabel::SetColor(COLORREF color) {
    style_.color = color;
    Repaint();
}

void TBevelLabel::Repaint() {
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void TBevelLabel::Paint(HDC dc) {
    RECT client{};
    GetClientRect(Hwnd(), &client);
    const int n = GetWindowTextLengthW(Hwnd());
    std::wstring caption(static_cast<std::size_t>(n) + 1, L'\0');
    caption.resize(static_cast<std::size_t>(GetWindowTextW(Hwnd(), caption.data(), n + 1)));
    PaintWide(dc, client, style_, caption, font_, IsWindowEnabled(Hwnd()) != FALSE);
}

LRESULT CALLBACK TBevelLabel::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // Only TBevelLabel makes windows of this class; during CreateWindow the wrapper is not set.
    if (auto* label = static_cast<TBevelLabel*>(Control::FromHwnd(hwnd)))
        return label->HandleMessage(message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT TBevelLabel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = Hwnd();
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            Paint(dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            Paint(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint fills every pixel
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
            Repaint();
            return result;
        }
        case WM_SETFONT:
            font_ = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(lParam)) Repaint();
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_);
        case WM_ENABLE:
            Repaint();
            return 0;
        case WM_GETDLGCODE:
            return DLGC_STATIC;  // passed over by the dialog keys, like a static text
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace tavori::ui
