#include "ui/controls/file_list_box.h"

#include "base/paths.h"

#include <commctrl.h>

#include <algorithm>

#include "base/errors.h"
#include "base/sjis_text.h"
#include "platform/dir_list.h"
#include "ui/text.h"

namespace tavori::ui {
namespace {

constexpr UINT_PTR kSubclassId = 1;

// Upper-cased ASCII letters, leaving the second bytes of double-byte characters alone: the
// second byte of "ア" is "A" and that of "ヂ" is "a", and they are different characters.
std::string SortKey(const std::string& name) { return UpperAscii(name); }

std::vector<std::string> SplitMask(const std::string& mask) {
    std::vector<std::string> patterns;
    std::size_t start = 0;
    while (start <= mask.size()) {
        std::size_t end = mask.find(';', start);
        if (end == std::string::npos) end = mask.size();
        const std::string_view pattern =
            TrimWhite(std::string_view(mask).substr(start, end - start));
        if (!pattern.empty()) patterns.emplace_back(pattern);
        start = end + 1;
    }
    return patterns;
}

}  // namespace

bool FileNameLess(const std::string& a, const std::string& b) {
    const std::string ka = SortKey(a), kb = SortKey(b);
    const auto bytes = [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    };
    if (ka != kb)
        return std::lexicographical_compare(ka.begin(), ka.end(), kb.begin(), kb.end(), bytes);
    // Names that differ only in case (possible on some file systems): a fixed order.
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), bytes);
}

FileListBox::FileListBox(const FileListBoxArgs& args)
    : mask_(args.mask), multiSelect_(args.multiSelect) {
    DWORD style = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
    if (multiSelect_) style |= LBS_EXTENDEDSEL;
    Create(L"LISTBOX", "", style, WS_EX_CLIENTEDGE, args.parent, args.id);
    if (!Hwnd()) throw Error("ファイル一覧を作成できません");
    SetWindowSubclass(Hwnd(), SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

FileListBox::~FileListBox() { RemoveWindowSubclass(Hwnd(), SubclassProc, kSubclassId); }

LRESULT CALLBACK FileListBox::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR self) {
    if (message == WM_CHAR) {
        auto* box = reinterpret_cast<FileListBox*>(self);
        if (box->onKeyPress) box->onKeyPress(static_cast<wchar_t>(wParam));
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

void FileListBox::SetFolder(const std::string& folder) {
    folder_ = folder;
    Refresh();
}

void FileListBox::SetMask(const std::string& mask) {
    mask_ = mask;
    Refresh();
}

void FileListBox::Refresh() {
    names_.clear();
    if (!folder_.empty()) {
        // A folder chosen in the folder browser comes without the final separator.
        const std::string folder = WithFinalSeparator(folder_, '\\');
        for (const std::string& pattern : SplitMask(mask_))
            for (auto& entry : platform::ListEntries(folder, pattern, false))
                names_.push_back(std::move(entry.name));
        std::sort(names_.begin(), names_.end(), FileNameLess);
        // A name matching two patterns is listed once.
        names_.erase(std::unique(names_.begin(), names_.end()), names_.end());
    }
    // No drawing while refilling; only for a shown list, as turning drawing back on shows a
    // hidden window.
    const bool shown = (GetWindowLongPtrW(Hwnd(), GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown) SendMessageW(Hwnd(), WM_SETREDRAW, FALSE, 0);
    SendMessageW(Hwnd(), LB_RESETCONTENT, 0, 0);
    for (const std::string& name : names_)
        SendMessageW(Hwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(name).c_str()));
    if (shown) {
        SendMessageW(Hwnd(), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(Hwnd(), nullptr, TRUE);
    }
    if (onChange) onChange();
}

std::vector<int> FileListBox::SelectedIndices() const {
    if (!multiSelect_) {
        const auto index = static_cast<int>(SendMessageW(Hwnd(), LB_GETCURSEL, 0, 0));
        return index >= 0 ? std::vector<int>{index} : std::vector<int>{};
    }
    const auto count = static_cast<int>(SendMessageW(Hwnd(), LB_GETSELCOUNT, 0, 0));
    if (count <= 0) return {};
    std::vector<int> indices(static_cast<std::size_t>(count));
    const auto got = static_cast<int>(SendMessageW(Hwnd(), LB_GETSELITEMS, indices.size(),
                                                   reinterpret_cast<LPARAM>(indices.data())));
    indices.resize(static_cast<std::size_t>(std::max(got, 0)));
    return indices;
}

std::vector<std::string> FileListBox::SelectedNames() const {
    std::vector<std::string> names;
    for (int index : SelectedIndices())
        if (index < static_cast<int>(names_.size()))
            names.push_back(names_[static_cast<std::size_t>(index)]);
    return names;
}

int FileListBox::SelectedIndex() const {
    const std::vector<int> indices = SelectedIndices();
    return indices.empty() ? -1 : indices.front();
}

void FileListBox::SetSelected(int index, bool selected) {
    if (index < 0 || index >= static_cast<int>(names_.size())) return;
    const std::vector<int> before = SelectedIndices();
    if (multiSelect_)
        SendMessageW(Hwnd(), LB_SETSEL, selected ? TRUE : FALSE, index);
    else if (selected)
        SendMessageW(Hwnd(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    else if (SelectedIndex() == index)
        SendMessageW(Hwnd(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    if (SelectedIndices() != before) Changed();
}

void FileListBox::SelectAll() {
    if (!multiSelect_ || names_.empty()) return;
    const std::vector<int> before = SelectedIndices();
    SendMessageW(Hwnd(), LB_SETSEL, TRUE, -1);  // one message, one repaint
    if (SelectedIndices() != before) Changed();
}

void FileListBox::OnCommand(WORD code) {
    if (code == LBN_SELCHANGE) Changed();
}

void FileListBox::Changed() {
    if (onChange) onChange();
}

}  // namespace tavori::ui
