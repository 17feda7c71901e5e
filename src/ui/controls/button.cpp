#include "ui/controls/button.h"

namespace tavori::ui {

Button::Button(const ButtonArgs& args) {
    DWORD style = WS_VISIBLE | WS_TABSTOP;
    if (args.checkBox)
        style |= BS_AUTOCHECKBOX;
    else
        style |= args.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if (args.multiline) style |= BS_MULTILINE;
    Create(L"BUTTON", args.text, style, 0, args.parent, args.id);
}

bool Button::Checked() const { return SendMessageW(Hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Button::SetChecked(bool checked) {
    SendMessageW(Hwnd(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Button::OnCommand(WORD code) {
    if (code == BN_CLICKED && onClick) onClick();
}

}  // namespace tavori::ui
