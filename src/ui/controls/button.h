#pragma once
// Push buttons and check boxes.
#include <functional>
#include <string>

#include "ui/controls/control.h"

namespace tavori::ui {

struct ButtonArgs {
    HWND parent = nullptr;
    int id = 0;
    std::string text;
    bool checkBox = false;       // a check box instead of a push button
    bool defaultButton = false;  // the button Enter presses
    bool multiline = false;      // the text wraps onto more lines where it is too long
};

class Button : public Control {
  public:
    explicit Button(const ButtonArgs& args);
    std::function<void()> onClick;

    bool Checked() const;  // check boxes
    void SetChecked(bool checked);
    void OnCommand(WORD code) override;
};

}  // namespace tavori::ui
