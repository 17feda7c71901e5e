#pragma once
// A progress bar over 64-bit amounts (bytes of a mailbox file beyond 4 GiB): the control itself
// counts 0..kRange, and is told a new position only when the shown one changes, since the
// export sets the position after every mail and a redraw each time would slow it.
#include <cstdint>

#include "ui/controls/control.h"

namespace tavori::ui {

struct ProgressBarArgs {
    HWND parent = nullptr;
    int id = 0;
};

class ProgressBar : public Control {
  public:
    static constexpr int kRange = 10000;

    explicit ProgressBar(const ProgressBarArgs& args);
    void SetMaximum(std::uint64_t maximum);
    void SetPosition(std::uint64_t position);  // beyond the maximum shows full
    std::uint64_t Position() const { return position_; }
    int Shown() const { return shown_; }  // the control's own position, 0..kRange

  private:
    void Update();

    std::uint64_t maximum_ = 0;
    std::uint64_t position_ = 0;
    int shown_ = 0;
};

}  // namespace tavori::ui
