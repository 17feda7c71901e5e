#include "cli/terminal_host.h"

#include "base/sjis_text.h"

#include <csignal>
#include <string_view>

#include "cli/figures.h"
#include "jobs/job_files.h"
#include "platform/text_codec.h"

namespace tavori::cli {
namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int) { gInterrupted = 1; }

}  // namespace

TerminalHost::TerminalHost(Output& err, bool verbose)
    : err_(err), bar_(platform::IsTerminal(stderr)), verbose_(verbose) {}

void TerminalHost::SetProgressMaximum(std::uint64_t maximum) {
    EndStretch();
    maximum_ = maximum;
    inStretch_ = verbose_;
    named_ = false;
    reached_ = 0;
}

void TerminalHost::SetProgressPosition(std::uint64_t position) {
    position_ = position;
    if (!inStretch_) return;
    if (!named_) stretchText_ = file_;
    named_ = true;
    if (position > reached_) reached_ = position;
}

void TerminalHost::EndStretch() {
    if (!inStretch_) return;
    inStretch_ = false;
    if (drawn_) {
        err_.Control("\r\x1b[K");
        drawn_ = false;
    }
    ReportProgress(err_, named_ ? stretchText_ : file_, reached_, maximum_);
}

void TerminalHost::SetProgressText(const std::string& text) {
    file_ = text;
    Draw(true);
}

void TerminalHost::ShowFigures(const JobFigures& figures) { figures_ = figures; }

BadDateAnswer TerminalHost::AskBadDate(const BadDate& bad) {
    if (!keepGoing_) return BadDateAnswer::kStop;
    Warn("\"" + bad.file + "\" の " + std::to_string(bad.number) +
         " 通目の日付を変換できません: 「" + QuoteExcerpt(bad.value) + "」 日付なしで書き出します");
    return BadDateAnswer::kUndated;
}

void TerminalHost::ReportUndated(int count) {
    if (count > 0) Warn("日付なしで書き出したメール: " + std::to_string(count) + " 通");
}

void TerminalHost::Warn(const std::string& text) {
    if (drawn_) {
        err_.Control("\r\x1b[K");  // the bar is drawn again with the next step
        drawn_ = false;
    }
    std::string_view rest = text;
    for (;;) {
        const std::size_t end = rest.find_first_of("\r\n");
        err_.Line(rest.substr(0, end));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + (rest.substr(end, 2) == "\r\n" ? 2 : 1));
    }
    err_.Flush();
}

bool TerminalHost::AbortRequested() { return gInterrupted != 0; }

void TerminalHost::Finish() {
    if (drawn_) err_.Line("");
    drawn_ = false;
    EndStretch();
    err_.Flush();
}

void TerminalHost::Run(const std::function<void()>& job) {
    gInterrupted = 0;
    auto previous = std::signal(SIGINT, OnInterrupt);
    try {
        job();
    } catch (const ReplaceDeclined& e) {
        std::signal(SIGINT, previous);
        Finish();
        throw ReplaceDeclined(std::string(e.what()) + " (置き換えるには --force を付けてください)");
    } catch (...) {
        std::signal(SIGINT, previous);
        Finish();
        throw;
    }
    std::signal(SIGINT, previous);
    Finish();
}

void TerminalHost::Draw(bool force) {
    if (!bar_) return;
    const int percent = maximum_ == 0 ? 100 : static_cast<int>(position_ * 100 / maximum_);
    if (!force && percent == lastPercent_ && ++skipped_ < 256) return;
    lastPercent_ = percent;
    skipped_ = 0;
    std::string line = "[";
    for (int i = 0; i < 30; ++i) line += i < percent * 30 / 100 ? '#' : '.';
    line += "] " + std::to_string(percent) + "% " + file_ + " ";
    if (figures_) line += CountersText(*figures_);
    err_.Control("\r");
    err_.Write(line);
    err_.Control("\x1b[K");
    err_.Flush();
    drawn_ = true;
}

void ReportProgress(Output& err, std::string_view what, std::uint64_t done, std::uint64_t total) {
    err.Line("進行: " + std::string(what) + " " + std::to_string(done) + " / " +
             std::to_string(total));
    err.Flush();
}

}  // namespace tavori::cli
