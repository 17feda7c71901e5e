#include "ui/controls/label.h"

namespace tavori::ui {

Label::Label(const LabelArgs& args) : textColor_(args.textColor) {
    DWORD style = WS_VISIBLE | SS_LEFT;
    if (args.rightAligned)
        style = WS_VISIBLE | SS_RIGHT;
    else if (args.centred)
        style = WS_VISIBLE | SS_CENTER;
    if (args.noPrefix) style |= SS_NOPREFIX;
    Create(L"STATIC", args.text, style, 0, args.parent, args.id);
}

void Label::SetColor(COLORREF textColor) {
    textColor_ = textColor;
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

}  // namespace tavori::ui
