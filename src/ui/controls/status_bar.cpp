#include "ui/controls/status_bar.h"

#include <commctrl.h>

#include "ui/text.h"

namespace tavori::ui {

StatusBar::StatusBar(const StatusBarArgs& args) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    Create(STATUSCLASSNAMEW, "", WS_VISIBLE | SBARS_SIZEGRIP, 0, args.parent, args.id);
    SetWidths(args.widths);
}

void StatusBar::SetWidths(const std::vector<int>& widths) {
    // The bar takes right edges; panels of the given widths end at their running sums.
    std::vector<int> edges;
    int right = 0;
    for (int width : widths) edges.push_back(right += width);
    if (edges.empty()) edges.push_back(-1);  // one panel across the whole bar
    panels_ = static_cast<int>(edges.size());
    SendMessageW(Hwnd(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void StatusBar::Resize() { SendMessageW(Hwnd(), WM_SIZE, 0, 0); }

int StatusBar::Height() const {
    RECT r{};
    GetWindowRect(Hwnd(), &r);
    return r.bottom - r.top;
}

void StatusBar::SetPanelText(int index, const std::string& text) {
    if (index < 0 || index >= panels_) return;
    SendMessageW(Hwnd(), SB_SETTEXTW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

std::string StatusBar::PanelText(int index) const {
    if (index < 0 || index >= panels_) return {};
    const LRESULT length = SendMessageW(Hwnd(), SB_GETTEXTLENGTHW, static_cast<WPARAM>(index), 0);
    std::wstring text(LOWORD(length) + 1u, L'\0');
    SendMessageW(Hwnd(), SB_GETTEXTW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(length));
    return Narrow(text);
}

void StatusBar::ShowMessage(const std::string& text) {
    message_ = text;
    SendMessageW(Hwnd(), SB_SIMPLE, text.empty() ? FALSE : TRUE, 0);
    if (!text.empty())
        SendMessageW(Hwnd(), SB_SETTEXTW, SB_SIMPLEID,
                     reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

}  // namespace tavori::ui
