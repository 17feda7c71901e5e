#pragma once
// A one-line or multi-line edit box. Colours of its own (an edit that shows its disabled
// state by its background) are given through the container's WM_CTLCOLOREDIT and, while the
// edit is disabled or read-only, WM_CTLCOLORSTATIC (ContainerProc).
#include <functional>
#include <string>

#include "ui/controls/control.h"

namespace tavori::ui {

struct EditArgs {
    HWND parent = nullptr;
    int id = 0;
    std::string text;
    bool readOnly = false;
    bool multiline = false;
};

class Edit : public Control {
  public:
    explicit Edit(const EditArgs& args);
    ~Edit() override;

    std::function<void()> onChange;  // the text changed (by the user or by SetText)

    void SetColors(COLORREF text, COLORREF background);
    // For the container: sets the colours into dc and returns the background brush, or
    // nullptr while the edit has the system's colours.
    HBRUSH PrepareColors(HDC dc) const;
    COLORREF BackgroundColor() const { return background_; }  // CLR_INVALID: the system's

    void OnCommand(WORD code) override;

  private:
    COLORREF text_ = CLR_INVALID;
    COLORREF background_ = CLR_INVALID;
    HBRUSH brush_ = nullptr;
};

}  // namespace tavori::ui
