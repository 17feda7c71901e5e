#pragma once
// A captioned frame. The controls shown inside it are its siblings (children of the same
// parent) placed within its bounds. A group box paints only its frame and caption and lets the
// mouse through, so it may lie above or below them in the z-order.
#include <string>

#include "ui/controls/control.h"

namespace tavori::ui {

struct GroupBoxArgs {
    HWND parent = nullptr;
    int id = 0;
    std::string text;
};

class GroupBox : public Control {
  public:
    explicit GroupBox(const GroupBoxArgs& args);
};

}  // namespace tavori::ui
