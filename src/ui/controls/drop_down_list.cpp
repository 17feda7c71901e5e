#include "ui/controls/drop_down_list.h"

#include "ui/text.h"

namespace tavori::ui {

DropDownList::DropDownList(const DropDownListArgs& args) {
    Create(L"COMBOBOX", "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, args.parent,
           args.id);
    for (const std::string& item : args.items)
        SendMessageW(Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
}

int DropDownList::Selected() const {
    return static_cast<int>(SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0));
}

void DropDownList::Select(int index) { SendMessageW(Hwnd(), CB_SETCURSEL, index, 0); }

void DropDownList::OnCommand(WORD code) {
    if (code == CBN_SELCHANGE && onChange) onChange();
}

}  // namespace tavori::ui
