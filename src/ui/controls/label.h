#pragma once
// Static text. A label with a text colour of its own (the import page's red caution) is
// painted in it through its container's WM_CTLCOLORSTATIC (ContainerProc).
#include <string>

#include "ui/controls/control.h"

namespace tavori::ui {

struct LabelArgs {
    HWND parent = nullptr;
    int id = 0;
    std::string text;
    bool rightAligned = false;
    bool centred = false;
    COLORREF textColor = CLR_INVALID;  // CLR_INVALID: the system's text colour
    bool noPrefix = true;              // "&" is shown, not an access key
};

class Label : public Control {
  public:
    explicit Label(const LabelArgs& args);
    COLORREF TextColor() const { return textColor_; }
    void SetColor(COLORREF textColor);  // CLR_INVALID: back to the system's
    // Sets the text unless the label shows it already: a label redrawn many times a second
    // (a job's figures) costs a repaint only when its text changes.
    void ShowText(const std::string& sjis) {
        if (Text() != sjis) SetText(sjis);
    }

  private:
    COLORREF textColor_;
};

}  // namespace tavori::ui
