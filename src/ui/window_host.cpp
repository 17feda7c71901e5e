#include "ui/window_host.h"

#include <windows.h>

#include "ui/controls/label.h"
#include "ui/controls/progress_bar.h"

namespace tavori::ui {
namespace {

constexpr unsigned long long kRedrawInterval = 33;  // milliseconds

}  // namespace

WindowHost::WindowHost(Label& progMsg, ProgressBar& progressBar, Label& msgLabel, Label& label8,
                       const bool& abortRequested)
    : progMsg_(progMsg),
      progressBar_(progressBar),
      msgLabel_(msgLabel),
      label8_(label8),
      abortRequested_(abortRequested) {}

void WindowHost::SetProgressText(const std::string& text) {
    progMsg_.SetText(text);
    UpdateWindow(progMsg_.Hwnd());
}

void WindowHost::SetProgressMaximum(std::uint64_t maximum) { progressBar_.SetMaximum(maximum); }

void WindowHost::SetProgressPosition(std::uint64_t position) {
    progressBar_.SetPosition(position);  // redraws only when the bar visibly moves
}

void WindowHost::SetCounters(const std::string& messages, const std::string& attachments) {
    messages_ = messages;
    attachments_ = attachments;
    const unsigned long long now = GetTickCount64();
    if (now - lastShown_ >= kRedrawInterval) Flush();
}

void WindowHost::Flush() {
    lastShown_ = GetTickCount64();
    if (messages_ != shownMessages_) {
        msgLabel_.SetText(messages_);
        shownMessages_ = messages_;
    }
    if (attachments_ != shownAttachments_) {
        label8_.SetText(attachments_);
        shownAttachments_ = attachments_;
    }
}

void WindowHost::ProcessPendingEvents() { PumpMessages(); }

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {  // keep it for the main loop
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace tavori::ui
