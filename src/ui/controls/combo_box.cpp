#include "ui/controls/combo_box.h"

#include <commctrl.h>

#include "base/errors.h"
#include "ui/text.h"

namespace tavori::ui {
namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr int kDropDownRows = 8;

// Marks our own text changes for as long as it lives, also when an exception leaves early.
class Quiet {
  public:
    explicit Quiet(int& depth) : depth_(depth) { ++depth_; }
    ~Quiet() { --depth_; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

  private:
    int& depth_;
};

}  // namespace

ComboBox::ComboBox(const ComboBoxArgs& args) {
    Create(L"COMBOBOX", "", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
           0, args.parent, args.id);
    if (!Hwnd()) throw Error("コンボボックスを作成できません");
    SetWindowSubclass(Hwnd(), SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    SetText(args.text);
}

ComboBox::~ComboBox() { RemoveWindowSubclass(Hwnd(), SubclassProc, kSubclassId); }

// Every programmatic text change (Control::SetText included) passes through WM_SETTEXT here;
// whether the control also echoes it as CBN_EDITCHANGE differs between systems, so the echo
// is ignored and the change reported once from here.
LRESULT CALLBACK ComboBox::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR self) {
    if (message != WM_SETTEXT) return DefSubclassProc(hwnd, message, wParam, lParam);
    auto* box = reinterpret_cast<ComboBox*>(self);
    const std::string before = box->Text();
    LRESULT result = 0;
    {
        Quiet quiet(box->quiet_);
        result = DefSubclassProc(hwnd, message, wParam, lParam);
    }
    if (box->quiet_ == 0 && box->Text() != before) box->TextChanged();
    return result;
}

void ComboBox::SetItems(const std::vector<std::string>& items) {
    // CB_RESETCONTENT empties the edit text too: put it back without a change report.
    const std::string text = Text();
    Quiet quiet(quiet_);
    SendMessageW(Hwnd(), CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) AddItem(item);
    SetText(text);
}

std::vector<std::string> ComboBox::Items() const {
    std::vector<std::string> items;
    const auto count = static_cast<int>(SendMessageW(Hwnd(), CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) items.push_back(ItemText(i));
    return items;
}

void ComboBox::AddItem(const std::string& item) {
    if (SendMessageW(Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str())) < 0)
        throw Error("\"" + item + "\" を一覧に追加できません");
}

void ComboBox::SetBounds(int x, int y, int width, int height) {
    const auto row = static_cast<int>(SendMessageW(Hwnd(), CB_GETITEMHEIGHT, 0, 0));
    MoveWindow(Hwnd(), x, y, width, height + kDropDownRows * (row > 0 ? row : height) + 2, TRUE);
}

std::string ComboBox::ItemText(int index) const {
    const auto n = SendMessageW(Hwnd(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (n < 0) return {};
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const auto got = SendMessageW(Hwnd(), CB_GETLBTEXT, static_cast<WPARAM>(index),
                                  reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return Narrow(text);
}

void ComboBox::OnCommand(WORD code) {
    if (code == CBN_EDITCHANGE && quiet_ == 0) {
        TextChanged();
    } else if (code == CBN_SELCHANGE) {
        // The control puts the chosen item into the edit only after this notification.
        // CB_SETCURSEL updates it at once, so the text may already be the item's.
        const auto index = static_cast<int>(SendMessageW(Hwnd(), CB_GETCURSEL, 0, 0));
        if (index < 0) return;
        {
            Quiet quiet(quiet_);
            SetText(ItemText(index));
        }
        TextChanged();
    }
}

void ComboBox::TextChanged() {
    if (onTextChanged) onTextChanged();
}

}  // namespace tavori::ui
