#include "ui/controls/page_control.h"

#include <commctrl.h>

#include <stdexcept>

#include "ui/text.h"

namespace tavori::ui {

PageControl::PageControl(const PageControlArgs& args) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    // The pages are children of the tab control: it must not paint over them.
    Create(WC_TABCONTROLW, "", WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
           WS_EX_CONTROLPARENT, args.parent, args.id);
}

// The pages go first, while the tab control they live in still exists.
PageControl::~PageControl() { pages_.clear(); }

Panel& PageControl::AddPage(const std::string& caption) {
    std::wstring text = Wide(caption);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    const int index = PageCount();
    SendMessageW(Hwnd(), TCM_INSERTITEMW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
    pages_.push_back(std::make_unique<Panel>(PanelArgs{.parent = Hwnd()}));
    Panel& page = *pages_.back();
    const RECT area = DisplayArea();
    page.SetBounds(area.left, area.top, area.right - area.left, area.bottom - area.top);
    page.SetEnabled(Enabled());
    // The first tab inserted becomes the selected one.
    page.SetVisible(index == ActivePage());
    return page;
}

Panel& PageControl::Page(int index) {
    if (index < 0 || index >= PageCount()) throw std::out_of_range("PageControl::Page");
    return *pages_[static_cast<std::size_t>(index)];
}

int PageControl::ActivePage() const {
    return static_cast<int>(SendMessageW(Hwnd(), TCM_GETCURSEL, 0, 0));
}

void PageControl::SetActivePage(int index) {
    if (index < 0 || index >= PageCount()) return;
    // TCM_SETCURSEL sends no TCN_SELCHANGE, so the pages are switched here.
    SendMessageW(Hwnd(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    ShowOnly(index);
}

void PageControl::SetBounds(int x, int y, int width, int height) {
    Control::SetBounds(x, y, width, height);
    const RECT area = DisplayArea();
    for (auto& page : pages_)
        page->SetBounds(area.left, area.top, area.right - area.left, area.bottom - area.top);
}

void PageControl::SetEnabled(bool enabled) {
    Control::SetEnabled(enabled);
    for (auto& page : pages_) page->SetEnabled(enabled);
}

LRESULT PageControl::OnNotify(NMHDR* header) {
    if (header->code == TCN_SELCHANGE) {
        const int index = ActivePage();
        ShowOnly(index);
        if (onPageChanged) onPageChanged(index);
    }
    return 0;
}

void PageControl::ShowOnly(int index) {
    // Show the new page before hiding the old one, so the tabs never show an empty area.
    if (index >= 0 && index < PageCount()) Page(index).SetVisible(true);
    for (int i = 0; i < PageCount(); ++i)
        if (i != index) Page(i).SetVisible(false);
}

RECT PageControl::DisplayArea() const {
    RECT area{};
    GetClientRect(Hwnd(), &area);
    SendMessageW(Hwnd(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    if (area.right < area.left) area.right = area.left;
    if (area.bottom < area.top) area.bottom = area.top;
    return area;
}

}  // namespace tavori::ui
