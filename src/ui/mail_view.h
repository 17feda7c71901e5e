#pragma once
// TMailView: the import page's preview dialog. It shows one file's text at a time, the mail as
// the import would write it or the whole plain text of an HTML page, with "次へ＞" to go on to
// the next file and "終了" to stop. One object serves a whole preview; every ShowModal builds
// the dialog anew with the current Caption and Text.
#include <windows.h>

#include <memory>
#include <string>

#include "ui/code_dialog.h"

namespace tavori::ui {

class TMailView : public CodeDialog {
  public:
    explicit TMailView(HWND owner);
    ~TMailView() override;

    // Shows the dialog modally, on top of every window and centred on the screen, until it is
    // closed: IDOK by "次へ＞" or Enter, IDABORT by "終了", IDCANCEL by the title bar or Esc
    // (which the previews take as "次へ＞").
    INT_PTR ShowModal();

    std::string Caption = "メール切出しテスト";
    std::string Text;  // the text of TextView; what the user edits there is not read back

    static constexpr int kClientWidth = 449;
    static constexpr int kClientHeight = 325;

  private:
    struct Controls;
    void Build(HWND hwnd) override;
    bool Command(HWND hwnd, WORD id) override;
    void Destroyed() override;

    HWND owner_;
    HFONT font_ = nullptr;
    std::unique_ptr<Controls> controls_;
};

}  // namespace tavori::ui
