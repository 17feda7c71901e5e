#pragma once
// A job host for tests: records what the job shows, answers what it asks, and runs the test's
// steps between the job's own (a stop, a file changed behind the job's back).
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "jobs/job_host.h"

namespace tavori {

// The figures as a failing test prints them.
inline void PrintTo(const ExportFigures& f, std::ostream* os) {
    *os << "{mailbox " << f.mailboxMessages << ", run " << f.runMessages << ", attachments "
        << f.mailboxAttachments << "}";
}
inline void PrintTo(const DedupeFigures& f, std::ostream* os) {
    *os << "{counted " << f.counted << ", totals " << f.totals << " " << f.total << "/" << f.output
        << ", outcome " << static_cast<int>(f.outcome) << ", pairs " << f.repeatedPairs << "}";
}

namespace test {

class RecordingHost : public JobHost {
  public:
    // What the job showed, in order.
    std::vector<std::string> texts;  // progress texts
    std::vector<JobFigures> figures;
    std::vector<std::string> warnings;
    std::vector<std::string> asked;  // the mailboxes it asked to replace
    std::uint64_t maximum = 0, position = 0;
    int events = 0;      // calls of ProcessPendingEvents
    int textEvents = 0;  // of those, since the last progress text (in one pass of a job)
    int abortTests = 0;  // calls of AbortRequested

    // The answer to a mailbox about to be replaced.
    bool replace = false;
    // The answers to mails whose Date is no date, in turn (then kStop), and what was asked.
    std::vector<BadDateAnswer> dateAnswers;
    std::vector<BadDate> badDates;
    // AbortRequested is true once this says so; none never stops.
    std::function<bool()> stopWhen;
    // Steps of the test: after each progress text, and after each call of ProcessPendingEvents.
    std::function<void()> onText, onEvent;

    // Stops the job once it has let the host handle events this many times.
    void StopAfterEvents(int n) {
        stopWhen = [this, n] { return events >= n; };
    }
    // The figures of one kind that the job sent.
    template <class Figures>
    std::vector<Figures> FiguresOf() const {
        std::vector<Figures> of;
        for (const JobFigures& f : figures)
            if (const Figures* one = std::get_if<Figures>(&f)) of.push_back(*one);
        return of;
    }

    void SetProgressText(const std::string& text) override {
        texts.push_back(text);
        textEvents = 0;
        if (onText) onText();
    }
    void SetProgressMaximum(std::uint64_t m) override { maximum = m; }
    void SetProgressPosition(std::uint64_t p) override { position = p; }
    void ShowFigures(const JobFigures& f) override { figures.push_back(f); }
    void Warn(const std::string& text) override { warnings.push_back(text); }
    bool ConfirmReplace(const std::string& path) override {
        asked.push_back(path);
        return replace;
    }
    BadDateAnswer AskBadDate(const BadDate& bad) override {
        badDates.push_back(bad);
        return badDates.size() <= dateAnswers.size() ? dateAnswers[badDates.size() - 1]
                                                     : BadDateAnswer::kStop;
    }
    void ProcessPendingEvents() override {
        ++events;
        ++textEvents;
        if (onEvent) onEvent();
    }
    bool AbortRequested() override {
        ++abortTests;
        return stopWhen && stopWhen();
    }
};

}  // namespace test
}  // namespace tavori
