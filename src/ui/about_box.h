#pragma once
// The version dialog. TAboutDialog, owned by the main window, reads the version information
// of the running executable and builds the texts; TAboutForm is the modal dialog it creates,
// fills, shows and frees on every showing.
#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <utility>

#include "ui/code_dialog.h"

namespace tavori::ui {

enum TScreenPosition {
    spDefault,
    spFormCenter,
    spScreenCenter,
    spTopLeft,
    spTopRight,
    spBottomLeft,
    spBottomRight
};

// The top-left corner of a form of size form placed by position on a screen of size screen,
// centred on mainWindow for spFormCenter (halves rounded toward zero).
POINT PlaceForm(TScreenPosition position, SIZE form, SIZE screen, RECT mainWindow);

class TAboutDialog {
  public:
    explicit TAboutDialog(std::string caption = {}) : Caption(std::move(caption)) {}

    // Fills the empty version fields from the version resource of fileName (Shift-JIS path)
    // and turns the "\" "n" pairs of Comments into line breaks. A file without version
    // information, or without a translation entry, leaves the fields as they are.
    void ReadVersionInfo(const std::string& fileName);
    // Reads the running executable's version information and shows the dialog modally, owned
    // by owner (may be null), until it is closed.
    void Execute(HWND owner);

    std::string Caption;  // the dialog's caption is Caption + " の情報"
    TScreenPosition Position = spDefault;
    // The version fields: a field that holds text (set beforehand) is never overwritten.
    std::string CompanyName;
    std::string FileDescription;
    std::string FileVersion;
    std::string InternalName;
    std::string Copyright;
    std::string TradeMarks;
    std::string OriginalFilename;
    std::string ProductName;
    std::string ProductVersion;
    std::string Comments;

    // The keys of the version resource, in the order of VersionFields.
    static constexpr std::array<const char*, 10> kVersionKeys = {
        "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
        "LegalTradeMarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments"};

  private:
    std::array<std::string*, 10> VersionFields();
    void ReadVersionInfoFrom(const std::wstring& fileName);
};

// The dialog itself: client area 312 by 207 in a 12-pixel "ＭＳ Ｐゴシック", the program's
// icon, the texts of a TAboutDialog and an OK button. Closed with OK by the button, Enter,
// Esc or the close box.
class TAboutForm : public CodeDialog {
  public:
    explicit TAboutForm(const TAboutDialog& dialog);
    ~TAboutForm() override;

    // Shows the form modally; returns IDOK when it was closed.
    INT_PTR ShowModal(HWND owner);

  private:
    struct Controls;
    void Build(HWND hwnd) override;
    bool Command(HWND hwnd, WORD id) override;
    void Destroyed() override;

    const TAboutDialog& dialog_;
    HWND owner_ = nullptr;
    HFONT font_ = nullptr;
    HFONT boldFont_ = nullptr;
    HICON icon_ = nullptr;
    bool ownsIcon_ = false;
    std::unique_ptr<Controls> controls_;
};

}  // namespace tavori::ui
