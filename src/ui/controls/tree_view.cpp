#include "ui/controls/tree_view.h"

#include "base/errors.h"
#include "ui/text.h"

namespace tavori::ui {
namespace {

// The image list serves as the state image list too, where state k shows image k of the list
// (the control draws no state image for state 0), so the model's image numbers are used as
// they are; 4 bits hold the state.
UINT StateBits(int stateImage) {
    return stateImage > 0 && stateImage <= 15 ? INDEXTOSTATEIMAGEMASK(stateImage) : 0;
}

}  // namespace

TreeView::TreeView(const TreeViewArgs& args) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    Create(WC_TREEVIEWW, "",
           WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_SHOWSELALWAYS,
           WS_EX_CLIENTEDGE, args.parent, args.id);
    if (!Hwnd()) throw Error("ツリー表示を作成できません");
    if (args.images) {
        SendMessageW(Hwnd(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(args.images));
        SendMessageW(Hwnd(), TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(args.images));
    }
    SendMessageW(Hwnd(), TVM_SETINDENT, static_cast<WPARAM>(args.indent), 0);
}

HTREEITEM TreeView::AddItem(HTREEITEM parent, const std::string& text, int image, int selectedImage,
                            int stateImage, LPARAM data) {
    std::wstring wide = Wide(text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    TVITEMW& item = insert.item;
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE;
    item.pszText = wide.data();
    item.iImage = image;
    item.iSelectedImage = selectedImage;
    item.stateMask = TVIS_STATEIMAGEMASK;
    item.state = StateBits(stateImage);
    item.lParam = data;
    auto added = reinterpret_cast<HTREEITEM>(
        SendMessageW(Hwnd(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (!added) throw Error("ツリーに \"" + text + "\" を追加できません");
    return added;
}

void TreeView::DeleteChildren(HTREEITEM item) {
    while (HTREEITEM child = FirstChild(item)) {
        if (!SendMessageW(Hwnd(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(child))) break;
    }
}

void TreeView::Expand(HTREEITEM item) {
    SendMessageW(Hwnd(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
}

HTREEITEM TreeView::Selected() const {
    return reinterpret_cast<HTREEITEM>(SendMessageW(Hwnd(), TVM_GETNEXTITEM, TVGN_CARET, 0));
}

void TreeView::Select(HTREEITEM item) {
    SendMessageW(Hwnd(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

LPARAM TreeView::Data(HTREEITEM item) const {
    TVITEMW tv{};
    tv.mask = TVIF_HANDLE | TVIF_PARAM;
    tv.hItem = item;
    if (!SendMessageW(Hwnd(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return 0;
    return tv.lParam;
}

std::string TreeView::ItemText(HTREEITEM item) const {
    // The control copies at most the buffer's size; grow until the text fits with room left.
    std::wstring buffer(64, L'\0');
    for (;;) {
        TVITEMW tv{};
        tv.mask = TVIF_HANDLE | TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = buffer.data();
        tv.cchTextMax = static_cast<int>(buffer.size());
        if (!SendMessageW(Hwnd(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return {};
        const std::size_t n = std::wstring_view(tv.pszText).size();
        if (n + 1 < buffer.size()) return Narrow(std::wstring_view(tv.pszText, n));
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

HTREEITEM TreeView::Parent(HTREEITEM item) const {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(Hwnd(), TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM TreeView::FirstChild(HTREEITEM item) const {
    if (!item || item == TVI_ROOT)
        return reinterpret_cast<HTREEITEM>(SendMessageW(Hwnd(), TVM_GETNEXTITEM, TVGN_ROOT, 0));
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(Hwnd(), TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
}

HTREEITEM TreeView::NextSibling(HTREEITEM item) const {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(Hwnd(), TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
}

LRESULT TreeView::OnNotify(NMHDR* header) {
    // The A form arrives when the parent asked for ANSI notifications; the item is the same.
    if ((header->code == TVN_SELCHANGEDW || header->code == TVN_SELCHANGEDA) && onSelectionChanged)
        onSelectionChanged(reinterpret_cast<NMTREEVIEWW*>(header)->itemNew.hItem);
    return 0;
}

}  // namespace tavori::ui
