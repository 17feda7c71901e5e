#include "ui/about_box.h"

#include <cstddef>
#include <cwchar>
#include <initializer_list>
#include <vector>

#include "ui/bevel_label.h"
#include "ui/controls/button.h"
#include "ui/controls/label.h"
#include "ui/controls/panel.h"
#include "ui/dpi.h"
#include "ui/resource.h"
#include "ui/text.h"
#include "ui/version_text.h"

namespace tavori::ui {

namespace {

constexpr int kClientWidth = 312;
constexpr int kClientHeight = 207;

std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// A picture control that stretches its icon to its own size.
class Picture : public Control {
  public:
    Picture(HWND parent, HICON icon) {
        Create(L"STATIC", "", WS_VISIBLE | SS_ICON | SS_REALSIZECONTROL, 0, parent, 0);
        SendMessageW(Hwnd(), STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
    }
};

HFONT CreateDialogFont(bool bold, UINT dpi = kDesignDpi) {
    return CreateFontW(-Scale(12, dpi), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
}

}  // namespace

POINT PlaceForm(TScreenPosition position, SIZE form, SIZE screen, RECT mainWindow) {
    const LONG w = form.cx, h = form.cy, sw = screen.cx, sh = screen.cy;
    switch (position) {
        case spFormCenter:
            return {mainWindow.left + (mainWindow.right - mainWindow.left - w) / 2,
                    mainWindow.top + (mainWindow.bottom - mainWindow.top - h) / 2};
        case spTopLeft:
            return {0, 0};
        case spTopRight:
            return {sw - w - 2, 0};
        case spBottomLeft:
            return {0, sh - h - 2};
        case spBottomRight:
            return {sw - w - 2, sh - h - 2};
        case spDefault:
        case spScreenCenter:
            break;
    }
    return {(sw - w) / 2, (sh - h) / 2};
}

std::array<std::string*, 10> TAboutDialog::VersionFields() {
    return {&CompanyName, &FileDescription,  &FileVersion, &InternalName,   &Copyright,
            &TradeMarks,  &OriginalFilename, &ProductName, &ProductVersion, &Comments};
}

void TAboutDialog::ReadVersionInfo(const std::string& fileName) {
    ReadVersionInfoFrom(Wide(fileName));
}

void TAboutDialog::ReadVersionInfoFrom(const std::wstring& fileName) {
    // The wide functions with an explicit conversion: the texts come out as Shift-JIS also
    // where the system's code page is another.
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(fileName.c_str(), &handle);
    std::vector<BYTE> info(size);
    void* value = nullptr;
    UINT length = 0;
    if (size != 0 && GetFileVersionInfoW(fileName.c_str(), 0, size, info.data()) &&
        VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &value, &length) && value &&
        length >= 2 * sizeof(WORD)) {
        // The first translation only: the texts of one language and code page.
        const auto* pair = static_cast<const WORD*>(value);
        const std::wstring prefix = Wide(StringFileInfoPrefix(pair[0], pair[1]));
        const auto fields = VersionFields();
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (!fields[i]->empty()) continue;
            const std::wstring key = prefix + Wide(kVersionKeys[i]);
            void* text = nullptr;
            UINT chars = 0;
            if (VerQueryValueW(info.data(), key.c_str(), &text, &chars) && text) {
                const auto* p = static_cast<const wchar_t*>(text);
                *fields[i] = Narrow(std::wstring_view(p, wcsnlen(p, chars)));
            }
        }
    }
    Comments = ConvertCommentBreaks(Comments);
}

void TAboutDialog::Execute(HWND owner) {
    ReadVersionInfoFrom(ExecutablePath());
    TAboutForm form(*this);
    form.ShowModal(owner);
}

// The form's controls, by their names in its design; they live while the dialog does.
struct TAboutForm::Controls {
    std::unique_ptr<Panel> Panel1;
    std::unique_ptr<Picture> ProgramIcon;
    std::unique_ptr<Label> ProductName;
    std::unique_ptr<Label> Version;
    std::unique_ptr<Label> Copyright;
    std::unique_ptr<Label> Label1;
    std::unique_ptr<TBevelLabel> Comments;
    std::unique_ptr<Button> OKButton;
};

TAboutForm::TAboutForm(const TAboutDialog& dialog)
    : dialog_(dialog), font_(CreateDialogFont(false)), boldFont_(CreateDialogFont(true)) {
    // The program's icon at 32 by 32, or the system's application icon (shared, not ours).
    icon_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP),
                                          IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    ownsIcon_ = icon_ != nullptr;
    if (!icon_) icon_ = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
}

TAboutForm::~TAboutForm() {
    controls_.reset();
    if (font_) DeleteObject(font_);
    if (boldFont_) DeleteObject(boldFont_);
    if (ownsIcon_) DestroyIcon(icon_);
}

INT_PTR TAboutForm::ShowModal(HWND owner) {
    owner_ = owner;
    return RunModal(owner, 0, "バージョン情報を表示できません");
}

bool TAboutForm::Command(HWND hwnd, WORD id) {
    // Enter, the OK button, Esc and the close box all close it with OK.
    if (id != IDOK && id != IDCANCEL) return false;
    EndDialog(hwnd, IDOK);
    return true;
}

void TAboutForm::Destroyed() { controls_.reset(); }

void TAboutForm::Build(HWND hwnd) {
    const TAboutDialog& d = dialog_;
    controls_ = std::make_unique<Controls>();
    Controls& c = *controls_;
    SetWindowTextW(hwnd, Wide(d.Caption + " の情報").c_str());
    // Sizes of the layout at 96 DPI, at the DPI of the window it opens over.
    const UINT dpi = WindowDpi(GetWindow(hwnd, GW_OWNER) ? GetWindow(hwnd, GW_OWNER) : hwnd);
    if (font_) DeleteObject(font_);
    if (boldFont_) DeleteObject(boldFont_);
    font_ = CreateDialogFont(false, dpi);
    boldFont_ = CreateDialogFont(true, dpi);

    // Panel1: a raised frame with a 10-pixel margin around what it holds.
    c.Panel1 = std::make_unique<Panel>(PanelArgs{hwnd, 0, 1, false});
    c.Panel1->Place(8, 8, 296, 160);
    HWND p = c.Panel1->Hwnd();
    constexpr int kMargin = 10, kInnerWidth = 274, kInnerBottom = 148;

    c.ProgramIcon = std::make_unique<Picture>(p, icon_);
    c.ProgramIcon->Place(kMargin, kMargin, 32, 32);
    c.ProductName = std::make_unique<Label>(LabelArgs{p, 0, d.FileDescription});
    c.ProductName->Place(50, kMargin, 234, 15);
    LabelArgs version{p, 0, VersionLine(d.ProductName, d.FileVersion)};
    version.centred = true;
    c.Version = std::make_unique<Label>(version);
    c.Version->Place(50, 26, 234, 28);

    // Aligned to the panel's bottom, from the top: Copyright, Label1, Comments.
    LabelArgs copyright{p, 0, d.Copyright};
    copyright.centred = true;
    c.Copyright = std::make_unique<Label>(copyright);
    c.Copyright->Place(kMargin, kInnerBottom - 60 - 18 - 16, kInnerWidth, 16);
    LabelArgs reserved{p, 0, "All Rights Reserved."};
    reserved.centred = true;
    c.Label1 = std::make_unique<Label>(reserved);
    c.Label1->Place(kMargin, kInnerBottom - 60 - 18, kInnerWidth, 18);
    BevelLabelArgs comments{p, 0, d.Comments, {}};
    comments.style.bevelInner = bvNone;
    comments.style.bevelOuter = bvLowered;
    comments.style.textBorder = 4;
    comments.style.wordWrap = true;
    c.Comments = std::make_unique<TBevelLabel>(comments);
    c.Comments->Place(kMargin, kInnerBottom - 60, kInnerWidth, 60);

    c.OKButton = std::make_unique<Button>(ButtonArgs{hwnd, IDOK, "OK", false, true});
    c.OKButton->Place((kClientWidth - 75) / 2, 174, 75, 25);

    const std::initializer_list<Control*> plain = {
        c.ProductName.get(), c.Copyright.get(), c.Label1.get(), c.Comments.get(), c.OKButton.get()};
    for (Control* control : plain) control->SetFont(font_);
    c.Version->SetFont(boldFont_);

    RECT frame{0, 0, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
    const SIZE size{frame.right - frame.left, frame.bottom - frame.top};
    const SIZE screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT mainWindow{0, 0, screen.cx, screen.cy};
    if (owner_) GetWindowRect(owner_, &mainWindow);
    const POINT at = PlaceForm(d.Position, size, screen, mainWindow);
    SetWindowPos(hwnd, nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);

    // Last: focusing a control activates the dialog, which must be in place by then.
    SendMessageW(hwnd, DM_SETDEFID, IDOK, 0);
    SetFocus(c.OKButton->Hwnd());
}

}  // namespace tavori::ui
