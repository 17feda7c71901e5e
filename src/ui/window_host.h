#pragma once
// The window as the jobs' host: progress in the status controls under the pages, the message
// queue pumped between two mails (at most every few milliseconds) so the stop button works,
// the stop flag, and the warnings about files passed over as message boxes over the window.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "jobs/job_host.h"

namespace tavori::ui {

class Label;
class ProgressBar;

class WindowHost : public JobHost {
  public:
    WindowHost(Label& progMsg, ProgressBar& progressBar, const bool& abortRequested);

    void SetProgressText(const std::string& text) override;
    void SetProgressMaximum(std::uint64_t maximum) override;
    void SetProgressPosition(std::uint64_t position) override;
    void ShowFigures(const JobFigures& figures) override;
    // Who draws the figures of the job that runs (its page); none: they are not shown.
    void ShowFiguresWith(std::function<void(const JobFigures&)> draw);
    void ProcessPendingEvents() override;
    bool AbortRequested() override { return abortRequested_; }
    // A warning box (owned by the window given to ShowWarningsOver); the run waits for its OK.
    void Warn(const std::string& text) override;
    void ShowWarningsOver(HWND owner) { owner_ = owner; }
    // A Yes/No warning naming the mailbox, No the default button: years of mail may be in it.
    bool ConfirmReplace(const std::string& path) override;
    // "... のメール N の日付を変換できません ..." with はい, すべてはい and いいえ.
    BadDateAnswer AskBadDate(const BadDate& bad) override;

    // Shows the last figures and progress; the job reports both after every mail, but they
    // are only redrawn about 30 times a second while it runs.
    void Flush();

  private:
    Label& progMsg_;
    ProgressBar& progressBar_;
    const bool& abortRequested_;
    HWND owner_ = nullptr;
    std::function<void(const JobFigures&)> drawFigures_;
    std::optional<JobFigures> figures_;  // the last the job sent, not drawn yet
    std::uint64_t position_ = 0;
    unsigned long long lastShown_ = 0;
    unsigned long long lastPumped_ = 0;
};

// Handles every message waiting in this thread's queue and returns.
void PumpMessages();

// The message loops' way to the keyboard: a key message goes first to its top-level window
// as kTranslateKey (the MSG as lParam; a window that moves between its controls by keys of
// its own answers TRUE), then to the dialog manager, which does the rest as in a dialog.
// True when the message was handled so.
constexpr UINT kTranslateKey = WM_APP + 1;
bool TranslateDialogKeys(MSG& msg);

}  // namespace tavori::ui
