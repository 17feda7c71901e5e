#include "ui/controls/progress_bar.h"

#include <commctrl.h>

namespace tavori::ui {

namespace {

int Scaled(std::uint64_t position, std::uint64_t maximum) {
    if (maximum == 0) return 0;
    if (position >= maximum) return ProgressBar::kRange;
    // Exact: position < maximum < 2^64 and kRange < 2^14, so the product fits in 128 bits.
    const auto product = static_cast<unsigned __int128>(position) * ProgressBar::kRange;
    return static_cast<int>(product / maximum);
}

}  // namespace

ProgressBar::ProgressBar(const ProgressBarArgs& args) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    Create(PROGRESS_CLASSW, "", WS_VISIBLE, 0, args.parent, args.id);
    SendMessageW(Hwnd(), PBM_SETRANGE32, 0, kRange);
    SendMessageW(Hwnd(), PBM_SETPOS, 0, 0);
}

void ProgressBar::SetMaximum(std::uint64_t maximum) {
    maximum_ = maximum;
    Update();
}

void ProgressBar::SetPosition(std::uint64_t position) {
    position_ = position;
    Update();
}

void ProgressBar::Update() {
    const int shown = Scaled(position_, maximum_);
    if (shown == shown_) return;
    shown_ = shown;
    SendMessageW(Hwnd(), PBM_SETPOS, static_cast<WPARAM>(shown), 0);
}

}  // namespace tavori::ui
