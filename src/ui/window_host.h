#pragma once
// The window as the jobs' host: progress in the status controls under the pages, the message
// queue pumped between two mails (at most every few milliseconds) so the stop button works,
// the stop flag, and the warnings about files passed over as message boxes over the window.
#include <windows.h>

#include <cstdint>
#include <string>

#include "jobs/job_host.h"

namespace tavori::ui {

class Label;
class ProgressBar;

class WindowHost : public JobHost {
  public:
    WindowHost(Label& progMsg, ProgressBar& progressBar, Label& msgLabel, Label& label8,
               const bool& abortRequested);

    void SetProgressText(const std::string& text) override;
    void SetProgressMaximum(std::uint64_t maximum) override;
    void SetProgressPosition(std::uint64_t position) override;
    void SetCounters(const std::string& messages, const std::string& attachments) override;
    void SetMessageCount(const std::string& text) override;
    // The cleanup's figures go to the page's two status labels at once.
    void SetResults(const std::string& outMsg, const std::string& dupLabel) override;
    void ShowResultsIn(Label& outMsg, Label& dupLabel);
    void ProcessPendingEvents() override;
    bool AbortRequested() override { return abortRequested_; }
    // A warning box (owned by the window given to ShowWarningsOver); the run waits for its OK.
    void Warn(const std::string& text) override;
    void ShowWarningsOver(HWND owner) { owner_ = owner; }
    // A Yes/No warning naming the mailbox, No the default button: years of mail may be in it.
    bool ConfirmReplace(const std::string& path) override;

    // Shows the last counters and progress; the job reports both after every mail, but they
    // are only redrawn about 30 times a second while it runs.
    void Flush();

  private:
    Label& progMsg_;
    ProgressBar& progressBar_;
    Label& msgLabel_;
    Label& label8_;
    const bool& abortRequested_;
    Label* outMsg_ = nullptr;
    Label* dupLabel_ = nullptr;
    HWND owner_ = nullptr;
    std::string messages_, attachments_;
    std::string shownMessages_, shownAttachments_;
    std::uint64_t position_ = 0;
    unsigned long long lastShown_ = 0;
    unsigned long long lastPumped_ = 0;
};

// Handles every message waiting in this thread's queue and returns.
void PumpMessages();

}  // namespace tavori::ui
