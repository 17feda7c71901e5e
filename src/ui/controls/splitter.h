#pragma once
// A thin bar the user drags to share space between two neighbours. It only reports the drag;
// the owner moves the bar and its neighbours.
#include <functional>

#include "ui/controls/control.h"

namespace tavori::ui {

struct SplitterArgs {
    HWND parent = nullptr;
    int id = 0;
    bool vertical = true;  // a vertical bar between left and right, dragged sideways
};

class Splitter : public Control {
  public:
    explicit Splitter(const SplitterArgs& args);
    bool Vertical() const { return vertical_; }
    bool Dragging() const { return dragging_; }

    std::function<void()> onDragStart;  // the button went down on the bar
    // Pixels the mouse moved (across the bar) since the drag began; called while dragging.
    std::function<void(int delta)> onDrag;
    std::function<void()> onDragEnd;  // the button was released or the capture lost

    // The bar's mouse messages (called by its window procedure).
    void BeginDrag(POINT screen);
    void MoveDrag(POINT screen);
    void EndDrag();

  private:
    bool vertical_;
    bool dragging_ = false;
    int start_ = 0;      // screen coordinate across the bar where the drag began
    int lastDelta_ = 0;  // onDrag is called only when the delta changes
};

}  // namespace tavori::ui
