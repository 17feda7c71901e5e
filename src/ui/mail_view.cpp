#include "ui/mail_view.h"

#include "ui/controls/button.h"
#include "ui/controls/edit.h"
#include "ui/controls/panel.h"
#include "ui/dpi.h"
#include "ui/text.h"

namespace tavori::ui {
namespace {

constexpr int kPanelHeight = 35;
constexpr int kButtonWidth = 75, kButtonHeight = 25, kButtonGap = 16;

}  // namespace

// The dialog's controls, by their names in its design; they live while the dialog does.
struct TMailView::Controls {
    std::unique_ptr<Edit> TextView;
    std::unique_ptr<Panel> Panel1;
    std::unique_ptr<Button> Button1;
    std::unique_ptr<Button> Button2;
};

TMailView::TMailView(HWND owner) : owner_(owner) {}

TMailView::~TMailView() {
    controls_.reset();
    if (font_) DeleteObject(font_);
}

INT_PTR TMailView::ShowModal() {
    return RunModal(owner_, WS_EX_TOPMOST, "プレビューを表示できません");
}

bool TMailView::Command(HWND hwnd, WORD id) {
    // Enter and "次へ＞" give IDOK, "終了" IDABORT, Esc and the close box IDCANCEL.
    if (id != IDOK && id != IDABORT && id != IDCANCEL) return false;
    EndDialog(hwnd, id);
    return true;
}

void TMailView::Destroyed() { controls_.reset(); }

void TMailView::Build(HWND hwnd) {
    controls_ = std::make_unique<Controls>();
    Controls& c = *controls_;
    SetWindowTextW(hwnd, Wide(Caption).c_str());
    // Sizes of the layout at 96 DPI, at the owner's DPI.
    const UINT dpi = WindowDpi(owner_ ? owner_ : hwnd);
    if (font_) DeleteObject(font_);
    font_ = CreateFontW(-Scale(12, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

    c.TextView = std::make_unique<Edit>(EditArgs{hwnd, 0, "", false, true});
    c.TextView->Place(0, 0, kClientWidth, kClientHeight - kPanelHeight);
    c.TextView->SetFont(font_);
    // A page's text can be longer than an edit box holds by default.
    SendMessageW(c.TextView->Hwnd(), EM_SETLIMITTEXT, 0, 0);
    c.TextView->SetText(Text);

    c.Panel1 = std::make_unique<Panel>(PanelArgs{hwnd, 0, 0, false});
    c.Panel1->Place(0, kClientHeight - kPanelHeight, kClientWidth, kPanelHeight);
    HWND p = c.Panel1->Hwnd();
    // The buttons close the dialog through its own commands, as Enter and the close box do.
    const int left = (kClientWidth - 2 * kButtonWidth - kButtonGap) / 2;
    const int top = (kPanelHeight - kButtonHeight) / 2;
    c.Button1 = std::make_unique<Button>(ButtonArgs{p, IDOK, "次へ＞", false, true});
    c.Button1->Place(left, top, kButtonWidth, kButtonHeight);
    c.Button1->onClick = [hwnd] { PostMessageW(hwnd, WM_COMMAND, IDOK, 0); };
    c.Button2 = std::make_unique<Button>(ButtonArgs{p, IDABORT, "終了"});
    c.Button2->Place(left + kButtonWidth + kButtonGap, top, kButtonWidth, kButtonHeight);
    c.Button2->onClick = [hwnd] { PostMessageW(hwnd, WM_COMMAND, IDABORT, 0); };
    c.Button1->SetFont(font_);
    c.Button2->SetFont(font_);

    // Centred on the screen, whatever window owns it.
    RECT frame{0, 0, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    SetWindowPos(hwnd, HWND_TOPMOST, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOACTIVATE);

    // Last: focusing a control activates the dialog, which must be in place by then.
    SendMessageW(hwnd, DM_SETDEFID, IDOK, 0);
    SetFocus(c.Button1->Hwnd());
}

}  // namespace tavori::ui
