#pragma once
// The terminal as a job's host: a progress bar on stderr when it is a terminal, and Ctrl-C as
// the stop button (the job ends after the current message, with everything written kept).
#include <cstdint>
#include <functional>
#include <string>

#include "cli/output.h"
#include "jobs/job_host.h"

namespace tavori::cli {

class TerminalHost : public JobHost {
  public:
    explicit TerminalHost(Output& err);
    void SetProgressText(const std::string& text) override;
    void SetProgressMaximum(std::uint64_t maximum) override { maximum_ = maximum; }
    void SetProgressPosition(std::uint64_t position) override { position_ = position; }
    void SetCounters(const std::string& messages, const std::string& attachments) override;
    void SetMessageCount(const std::string& text) override;
    // The warning's lines on the error output, the progress line cleared first.
    void Warn(const std::string& text) override;
    void ProcessPendingEvents() override { Draw(false); }
    bool AbortRequested() override;
    // Ends the progress line.
    void Finish();

    // Runs the job with Ctrl-C as its stop, and ends the progress line on every way out.
    void Run(const std::function<void()>& job);

  private:
    void Draw(bool force);

    Output& err_;
    bool bar_;
    bool drawn_ = false;
    std::string file_, counters_;
    std::uint64_t maximum_ = 0, position_ = 0;
    int lastPercent_ = -1;
    int skipped_ = 0;
};

}  // namespace tavori::cli
