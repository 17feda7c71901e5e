#include "ui/window_host.h"

#include <windows.h>

#include "base/errors.h"
#include "base/sjis_text.h"
#include "ui/controls/label.h"
#include "ui/controls/progress_bar.h"
#include "ui/dialogs.h"
#include "ui/text.h"

namespace tavori::ui {
namespace {

// Under Wine every look into the message queue is a round trip to the server (about 30 us)
// and a visible progress bar paints itself at once for every new position (about 0.4 ms):
// done after every mail, the two made the window's export several times slower than the
// command-line tool's. The queue is handled about every 10 ms instead (the stop button's
// delay), and the counters and the bar are redrawn about 30 times a second.
constexpr unsigned long long kRedrawInterval = 33;  // milliseconds
constexpr unsigned long long kPumpInterval = 10;    // milliseconds

}  // namespace

WindowHost::WindowHost(Label& progMsg, ProgressBar& progressBar, const bool& abortRequested)
    : progMsg_(progMsg), progressBar_(progressBar), abortRequested_(abortRequested) {}

void WindowHost::SetProgressText(const std::string& text) {
    progMsg_.SetText(text);
    UpdateWindow(progMsg_.Hwnd());
    lastPumped_ = 0;  // the first mail of each file is followed by a look at the queue
}

void WindowHost::SetProgressMaximum(std::uint64_t maximum) {
    position_ = 0;
    progressBar_.SetPosition(0);
    progressBar_.SetMaximum(maximum);
}

void WindowHost::SetProgressPosition(std::uint64_t position) {
    position_ = position;
    if (GetTickCount64() - lastShown_ >= kRedrawInterval) Flush();
}

void WindowHost::ShowFigures(const JobFigures& figures) {
    figures_ = figures;
    if (GetTickCount64() - lastShown_ >= kRedrawInterval) Flush();
}

void WindowHost::ShowFiguresWith(std::function<void(const JobFigures&)> draw) {
    drawFigures_ = std::move(draw);
    figures_.reset();
}

void WindowHost::Warn(const std::string& text) {
    Flush();  // the box shows over the progress as far as it got
    ShowWarning(owner_, text);
}

bool WindowHost::ConfirmReplace(const std::string& path) {
    Flush();
    const std::string text =
        PathError(path, "にはメールが入っています。") +
        "\r\n新しいメールボックスで置き換えると、今のメールはすべて失われます。"
        "\r\n置き換えますか？";
    return MessageBoxW(owner_, Wide(text).c_str(), L"Tavori!",
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

BadDateAnswer WindowHost::AskBadDate(const BadDate& bad) {
    Flush();
    const std::string text = "\"" + bad.file + "\" のメール " + std::to_string(bad.number) +
                             " の日付を変換できません: 「" + QuoteExcerpt(bad.value) +
                             "」\r\n日付なしで書き出して続けますか？";
    switch (AskYesAllNo(owner_, text)) {
        case IDYES:
            return BadDateAnswer::kUndated;
        case IDNO:
            return BadDateAnswer::kAllUndated;
        default:
            return BadDateAnswer::kStop;
    }
}

void WindowHost::Flush() {
    lastShown_ = GetTickCount64();
    progressBar_.SetPosition(position_);  // a no-op unless the bar visibly moves
    if (figures_ && drawFigures_) drawFigures_(*figures_);
    figures_.reset();
}

void WindowHost::ProcessPendingEvents() {
    const unsigned long long now = GetTickCount64();
    if (now - lastPumped_ < kPumpInterval) return;
    lastPumped_ = now;
    PumpMessages();
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {  // keep it for the main loop
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (TranslateDialogKeys(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool TranslateDialogKeys(MSG& msg) {
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (!root) return false;
    if (msg.message == WM_KEYDOWN &&
        SendMessageW(root, kTranslateKey, 0, reinterpret_cast<LPARAM>(&msg)) != 0)
        return true;
    return IsDialogMessageW(root, &msg) != FALSE;
}

}  // namespace tavori::ui
