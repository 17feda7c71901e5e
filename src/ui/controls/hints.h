#pragma once
// The hints shown when the mouse rests on a control: one tooltip window for the owner's
// controls, each registered by its window handle.
#include <string>

#include "ui/controls/control.h"

namespace tavori::ui {

class Hints {
  public:
    explicit Hints(HWND owner);
    ~Hints();
    Hints(const Hints&) = delete;
    Hints& operator=(const Hints&) = delete;

    void Add(const Control& control, const std::string& text);  // again: replaces the text
    HWND Hwnd() const { return tooltip_; }

  private:
    HWND tooltip_ = nullptr;
};

}  // namespace tavori::ui
