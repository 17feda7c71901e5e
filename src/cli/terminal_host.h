#pragma once
// The terminal as a job's host: a progress bar on stderr when it is a terminal, and Ctrl-C as
// the stop button (the job ends after the current message, with everything written kept).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cli/output.h"
#include "jobs/job_host.h"

namespace tavori::cli {

class TerminalHost : public JobHost {
  public:
    // verbose: each stretch of progress (a file read, a pass) ends with a ReportProgress line.
    explicit TerminalHost(Output& err, bool verbose = false);
    void SetProgressText(const std::string& text) override;
    void SetProgressMaximum(std::uint64_t maximum) override;
    void SetProgressPosition(std::uint64_t position) override;
    void ShowFigures(const JobFigures& figures) override;
    // The warning's lines on the error output, the progress line cleared first.
    void Warn(const std::string& text) override;
    void ProcessPendingEvents() override { Draw(false); }
    bool AbortRequested() override;
    // A mailbox with mails in it is replaced only with --force: there is nobody to ask.
    bool ConfirmReplace(const std::string& /*path*/) override { return replace_; }
    void AllowReplacing(bool replace) { replace_ = replace; }
    // A mail whose Date is no date: with --keep-going it is named on the error output and
    // written without a date; without, the job stops with the error.
    BadDateAnswer AskBadDate(const BadDate& bad) override;
    void AllowUndated(bool keepGoing) { keepGoing_ = keepGoing; }
    // With --keep-going and such mails: their count on the error output.
    void ReportUndated(int count);
    // Ends the progress line.
    void Finish();

    // Runs the job with Ctrl-C as its stop, and ends the progress line on every way out. A
    // replacement declined for want of --force is an error that says how to allow it.
    void Run(const std::function<void()>& job);

  private:
    void Draw(bool force);
    void EndStretch();

    Output& err_;
    bool bar_;
    bool replace_ = false;
    bool keepGoing_ = false;
    bool drawn_ = false;
    std::string file_;
    std::optional<JobFigures> figures_;  // the last the job sent
    std::uint64_t maximum_ = 0, position_ = 0;
    int lastPercent_ = -1;
    int skipped_ = 0;
    // The stretch of progress under way: named by the text shown when its first step came,
    // and the furthest position it reached (a new pass may reset the position before its
    // maximum arrives).
    bool verbose_;
    bool inStretch_ = false, named_ = false;
    std::string stretchText_;
    std::uint64_t reached_ = 0;
};

// "進行: <what> <done> / <total>" on err: for the byte counts that a reader can compare
// with the file sizes.
void ReportProgress(Output& err, std::string_view what, std::uint64_t done, std::uint64_t total);

}  // namespace tavori::cli
