#pragma once
// A number box: an edit whose text may be typed freely, with up-down arrows beside it that
// step the value by 1 within the range. Value() is what the rest of the program uses.
#include <functional>

#include "ui/controls/control.h"

namespace tavori::ui {

struct SpinEditArgs {
    HWND parent = nullptr;
    int id = 0;
    int minValue = 40;
    int maxValue = 255;
    int value = 40;
};

class SpinEdit : public Control {
  public:
    explicit SpinEdit(const SpinEditArgs& args);
    ~SpinEdit() override;

    // The text as a decimal number (half- or full-width digits, an optional sign, spaces
    // around it) clamped to the range; minValue when the text is no number.
    int Value() const;
    void SetValue(int value);  // clamped; the text shows it
    HWND ArrowsHwnd() const { return arrows_; }

    std::function<void()> onChange;  // the text changed (typed, stepped or set)

    void SetBounds(int x, int y, int width, int height) override;  // the edit and its arrows
    void SetEnabled(bool enabled) override;                        // likewise
    void OnCommand(WORD code) override;
    LRESULT OnNotify(NMHDR* header) override;

  private:
    int min_;
    int max_;
    HWND arrows_ = nullptr;
};

}  // namespace tavori::ui
