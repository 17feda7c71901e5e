#include "ui/controls/edit.h"

namespace tavori::ui {

Edit::Edit(const EditArgs& args) {
    DWORD style = WS_VISIBLE | WS_TABSTOP;
    if (args.multiline)
        style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL;
    else
        style |= ES_AUTOHSCROLL;
    if (args.readOnly) style |= ES_READONLY;
    Create(L"EDIT", args.text, style, WS_EX_CLIENTEDGE, args.parent, args.id);
}

Edit::~Edit() {
    if (brush_) DeleteObject(brush_);
}

void Edit::SetColors(COLORREF text, COLORREF background) {
    if (brush_) DeleteObject(brush_);
    text_ = text;
    background_ = background;
    brush_ = CreateSolidBrush(background);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

HBRUSH Edit::PrepareColors(HDC dc) const {
    if (!brush_) return nullptr;
    SetTextColor(dc, text_);
    SetBkColor(dc, background_);
    return brush_;
}

void Edit::OnCommand(WORD code) {
    if (code == EN_CHANGE && onChange) onChange();
}

}  // namespace tavori::ui
