#pragma once
// The status bar at the bottom of the window, in panels of fixed widths.
#include <string>
#include <vector>

#include "ui/controls/control.h"

namespace tavori::ui {

struct StatusBarArgs {
    HWND parent = nullptr;
    int id = 0;
    std::vector<int> widths;  // of the panels, left to right, in pixels
};

class StatusBar : public Control {
  public:
    explicit StatusBar(const StatusBarArgs& args);
    void Resize();  // call from the parent's WM_SIZE: the bar keeps to the bottom edge
    void SetWidths(const std::vector<int>& widths);  // of the panels, as at construction
    int Height() const;
    void SetPanelText(int index, const std::string& text);
    std::string PanelText(int index) const;
    // A message across the whole bar in place of the panels; "" shows the panels again.
    void ShowMessage(const std::string& text);
    std::string Message() const { return message_; }

  private:
    int panels_ = 0;
    std::string message_;
};

}  // namespace tavori::ui
