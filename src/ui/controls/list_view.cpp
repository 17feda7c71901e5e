#include "ui/controls/list_view.h"

#include "base/errors.h"
#include "ui/text.h"

namespace tavori::ui {

ListView::ListView(const ListViewArgs& args) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    // Shared image lists: the one list serves two roles and must not be destroyed twice.
    DWORD style = WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
    if (!args.multiSelect) style |= LVS_SINGLESEL;
    Create(WC_LISTVIEWW, "", style, WS_EX_CLIENTEDGE, args.parent, args.id);
    if (!Hwnd()) throw Error("一覧表示を作成できません");
    SendMessageW(Hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    if (args.smallImages) {
        const auto images = reinterpret_cast<LPARAM>(args.smallImages);
        SendMessageW(Hwnd(), LVM_SETIMAGELIST, LVSIL_SMALL, images);
        SendMessageW(Hwnd(), LVM_SETIMAGELIST, LVSIL_STATE, images);
    }
}

void ListView::AddColumn(const std::string& text, int width, bool rightAligned) {
    std::wstring wide = Wide(text);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    column.fmt = rightAligned ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = width;
    column.pszText = wide.data();
    column.iSubItem = columns_;
    if (SendMessageW(Hwnd(), LVM_INSERTCOLUMNW, static_cast<WPARAM>(columns_),
                     reinterpret_cast<LPARAM>(&column)) < 0)
        throw Error("一覧に列 \"" + text + "\" を追加できません");
    ++columns_;
}

int ListView::AddRow(const std::vector<std::string>& cells, int image) {
    std::wstring caption = cells.empty() ? std::wstring() : Wide(cells[0]);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = Count();
    item.pszText = caption.data();
    item.iImage = image;
    const int row =
        static_cast<int>(SendMessageW(Hwnd(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) throw Error("一覧に行を追加できません");
    for (std::size_t i = 1; i < cells.size(); ++i) {
        std::wstring text = Wide(cells[i]);
        LVITEMW cell{};
        cell.iSubItem = static_cast<int>(i);
        cell.pszText = text.data();
        SendMessageW(Hwnd(), LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&cell));
    }
    return row;
}

void ListView::Clear() { SendMessageW(Hwnd(), LVM_DELETEALLITEMS, 0, 0); }

int ListView::Count() const {
    return static_cast<int>(SendMessageW(Hwnd(), LVM_GETITEMCOUNT, 0, 0));
}

bool ListView::IsSelected(int row) const {
    return (SendMessageW(Hwnd(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) &
            LVIS_SELECTED) != 0;
}

void ListView::SetSelected(int row, bool selected) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageW(Hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
}

int ListView::SelectedCount() const {
    return static_cast<int>(SendMessageW(Hwnd(), LVM_GETSELECTEDCOUNT, 0, 0));
}

std::string ListView::CellText(int row, int column) const {
    // The answer is the number of characters copied; a full buffer may mean a cut text.
    std::wstring buffer(128, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const auto n = static_cast<std::size_t>(SendMessageW(
            Hwnd(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (n + 1 < buffer.size()) return Narrow(std::wstring_view(item.pszText, n));
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

// State k shows image k - 1 of the state image list; state 0 is none.
void ListView::SetStateImage(int row, int image) {
    const UINT state = image >= 0 && image < 15 ? INDEXTOSTATEIMAGEMASK(image + 1) : 0;
    const auto current = static_cast<UINT>(
        SendMessageW(Hwnd(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
    if (current == state) return;
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = state;
    SendMessageW(Hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
}

int ListView::StateImage(int row) const {
    const auto state = static_cast<UINT>(
        SendMessageW(Hwnd(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
    return static_cast<int>(state >> 12) - 1;
}

LRESULT ListView::OnNotify(NMHDR* header) {
    if (header->code != LVN_ITEMCHANGED || !onItemChanged) return 0;
    const int row = reinterpret_cast<NMLISTVIEW*>(header)->iItem;
    if (row >= 0) {
        onItemChanged(row);
    } else {
        // A change applied to every row at once.
        for (int i = 0, n = Count(); i < n; ++i) onItemChanged(i);
    }
    return 0;
}

void ListView::SetColumnWidth(int column, int width) {
    SendMessageW(Hwnd(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0));
}

}  // namespace tavori::ui
