#pragma once
// A plain container in the button-face colour, optionally framed: the lower area of the window
// and each page of the page control. The frame lies outside the client area, so children placed
// at (0, 0) sit inside it. Messages from wrapped children reach their wrappers.
#include <functional>

#include "ui/controls/control.h"

namespace tavori::ui {

struct PanelArgs {
    HWND parent = nullptr;
    int id = 0;
    int borderWidth = 0;  // pixels of 3-D frame around the client area
    bool sunken = false;  // a lowered frame instead of a raised one
};

class Panel : public Control {
  public:
    explicit Panel(const PanelArgs& args);
    int BorderWidth() const { return borderWidth_; }
    bool Sunken() const { return sunken_; }

    // The client size (inside the frame), whenever it changes: the owner lays out the children.
    std::function<void(int width, int height)> onResize;

  private:
    int borderWidth_;
    bool sunken_;
};

// For the procedure of any window that holds wrapped controls (a panel, the main window):
// routes WM_COMMAND and WM_NOTIFY to the child's wrapper and answers the WM_CTLCOLOR* messages
// (a Label's text colour, an Edit's own colours, otherwise the button face). handled tells
// whether the message was taken; if not, the caller passes it to DefWindowProc.
LRESULT ContainerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

}  // namespace tavori::ui
