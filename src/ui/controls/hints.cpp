#include "ui/controls/hints.h"

#include <commctrl.h>

#include "ui/text.h"

namespace tavori::ui {

namespace {

// Adds the window as a tool, or gives a known one the new text.
void AddTool(HWND tooltip, HWND window, std::wstring text) {
    TTTOOLINFOW tool{};
    // The size that both the old and the version 6 common controls accept.
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(window);
    tool.uId = reinterpret_cast<UINT_PTR>(window);
    // TTM_GETTOOLINFO copies the present text, of any length up to INFOTIPSIZE.
    std::wstring present(INFOTIPSIZE, L'\0');
    tool.lpszText = present.data();
    const bool known = SendMessageW(tooltip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool));
    tool.lpszText = text.data();  // the tooltip keeps a copy
    SendMessageW(tooltip, known ? TTM_UPDATETIPTEXTW : TTM_ADDTOOLW, 0,
                 reinterpret_cast<LPARAM>(&tool));
}

}  // namespace

Hints::Hints(HWND owner) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
}

Hints::~Hints() {
    if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
}

void Hints::Add(const Control& control, const std::string& text) {
    const std::wstring wide = Wide(text);
    AddTool(tooltip_, control.Hwnd(), wide);
    // The mouse over an editable combo box is over the edit inside it.
    struct Inner {
        HWND tooltip;
        const std::wstring* text;
    } inner{tooltip_, &wide};
    EnumChildWindows(
        control.Hwnd(),
        [](HWND child, LPARAM param) -> BOOL {
            const auto* in = reinterpret_cast<const Inner*>(param);
            AddTool(in->tooltip, child, *in->text);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&inner));
}

}  // namespace tavori::ui
