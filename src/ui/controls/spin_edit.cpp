#include "ui/controls/spin_edit.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <string>

namespace tavori::ui {

namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\x3000'; }

// Half-width or full-width (as an input method types them) digit, else -1.
int DigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'\xFF10' && c <= L'\xFF19') return c - L'\xFF10';
    return -1;
}

// The number the text stands for; saturates far beyond any range an int can hold.
std::optional<long long> ParseNumber(const std::wstring& text) {
    std::size_t i = 0;
    std::size_t end = text.size();
    while (i < end && IsSpace(text[i])) ++i;
    while (end > i && IsSpace(text[end - 1])) --end;
    bool negative = false;
    if (i < end && (text[i] == L'-' || text[i] == L'\xFF0D')) {
        negative = true;
        ++i;
    } else if (i < end && (text[i] == L'+' || text[i] == L'\xFF0B')) {
        ++i;
    }
    if (i == end) return std::nullopt;
    constexpr long long kLimit = 1LL << 40;
    long long value = 0;
    for (; i < end; ++i) {
        const int digit = DigitValue(text[i]);
        if (digit < 0) return std::nullopt;
        value = std::min(kLimit, value * 10 + digit);
    }
    return negative ? -value : value;
}

std::wstring WindowText(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), n + 1)));
    return text;
}

}  // namespace

SpinEdit::SpinEdit(const SpinEditArgs& args)
    : min_(std::min(args.minValue, args.maxValue)), max_(std::max(args.minValue, args.maxValue)) {
    const int value = std::clamp(args.value, min_, max_);
    Create(L"EDIT", std::to_string(value), WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
           WS_EX_CLIENTEDGE, args.parent, args.id);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
    // No UDS_SETBUDDYINT: the arrows' steps are taken in OnNotify, from the text as Value()
    // reads it, so a typed value out of range steps from the clamped one.
    arrows_ = CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                              WS_CHILD | WS_VISIBLE | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0, 0, 0,
                              args.parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!arrows_) return;
    SetWindowLongPtrW(arrows_, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(static_cast<Control*>(this)));
    SendMessageW(arrows_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Hwnd()), 0);
    SendMessageW(arrows_, UDM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
    SendMessageW(arrows_, UDM_SETPOS32, 0, value);
}

SpinEdit::~SpinEdit() {
    if (arrows_ && IsWindow(arrows_)) {
        SetWindowLongPtrW(arrows_, GWLP_USERDATA, 0);
        DestroyWindow(arrows_);
    }
}

int SpinEdit::Value() const {
    const std::optional<long long> number = ParseNumber(WindowText(Hwnd()));
    if (!number) return min_;
    return static_cast<int>(std::clamp<long long>(*number, min_, max_));
}

void SpinEdit::SetValue(int value) {
    SetWindowTextW(Hwnd(), std::to_wstring(std::clamp(value, min_, max_)).c_str());
}

void SpinEdit::SetBounds(int x, int y, int width, int height) {
    const int arrowWidth = std::min(width, GetSystemMetrics(SM_CXVSCROLL));
    MoveWindow(Hwnd(), x, y, width - arrowWidth, height, TRUE);
    if (arrows_) MoveWindow(arrows_, x + width - arrowWidth, y, arrowWidth, height, TRUE);
}

void SpinEdit::SetEnabled(bool enabled) {
    Control::SetEnabled(enabled);
    if (arrows_) EnableWindow(arrows_, enabled ? TRUE : FALSE);
}

void SpinEdit::OnCommand(WORD code) {
    if (code == EN_CHANGE) {
        if (arrows_) SendMessageW(arrows_, UDM_SETPOS32, 0, Value());
        if (onChange) onChange();
    } else if (code == EN_KILLFOCUS) {
        // Leaving the box shows the value that is used: "300" becomes "255", "abc" the minimum.
        const std::wstring shown = std::to_wstring(Value());
        if (WindowText(Hwnd()) != shown) SetWindowTextW(Hwnd(), shown.c_str());
    }
}

LRESULT SpinEdit::OnNotify(NMHDR* header) {
    if (header->hwndFrom != arrows_ || header->code != UDN_DELTAPOS) return 0;
    const auto* step = reinterpret_cast<NMUPDOWN*>(header);
    const long long next = static_cast<long long>(Value()) + step->iDelta;
    SetValue(static_cast<int>(std::clamp<long long>(next, min_, max_)));
    return TRUE;  // the arrows keep no position of their own beyond what SetValue gave them
}

}  // namespace tavori::ui
