#pragma once
// The duplicate cleanup: messages of a list of mailbox files that share subject and a non-zero
// date are copies of one message. One copy of each, with every unique message, goes into a
// new mailbox file; the surplus copies optionally into a second one. The inputs are only read.
#include <string>
#include <vector>

#include "jobs/job_host.h"
#include "jobs/mail_list.h"
#include "jobs/undated_mails.h"
#include "platform/file.h"

namespace tavori {

class TMailBox;

struct DedupeOptions {
    std::string uniquePath;
    std::string duplicatePath;  // empty: surplus copies are written nowhere
};

class DedupeJob {
  public:
    // The mailboxes are read in this order; the first copy in it with the remembered
    // Message-Id is the one kept.
    DedupeJob(std::vector<std::string> mailboxes, DedupeOptions options, JobHost& host);

    // The whole job: the files are checked (an output that is an input, or two outputs that
    // are one file, is a SameFileError before anything is read or created; an output with
    // mails in it that the host would not replace ends it as ReplaceDeclined), the scan, and,
    // when some pair repeats, the copy pass into new output files. A mailbox that is not the
    // file the scan read when the copy pass reads it (replaced, grown, shrunk, written) is an
    // error naming it, met before any of its changed bytes are used. Errors end it as exceptions
    // naming the file (and the message); every file is closed on every way out, and what was
    // written stays written: messages are gathered into blocks of whole messages, handed to
    // the system before a stop is acted on, when an error leaves the job and at its end.
    void Run();
    // The scan alone (a dry run): the repeated pairs and the figures, nothing written.
    void Scan();

    int MessageCount() const { return messageCount_; }  // messages read in the scan
    int RepeatedPairs() const { return keys_.Count(); }
    int OutputCount() const { return outputCount_; }  // -1 until the unique mailbox exists
    bool Aborted() const { return aborted_; }
    // Mails the scan read as without a date because their Date was no date (the host said
    // so): never copies of another.
    int Undated() const { return undated_.Count(); }
    // The figures, also sent through the host whenever they change.
    const DedupeFigures& Figures() const { return figures_; }

    struct Copy {
        std::string mailbox;
        int number;  // 1-based, counting the messages of that mailbox
        bool kept;
    };
    struct Pair {
        std::string subject;
        double date;
        std::vector<Copy> copies;  // in reading order
    };
    // After Scan: for each repeated pair, in the key list's order, which copy the copy pass
    // keeps and which are surplus. Reads the mailboxes once more, writes nothing.
    std::vector<Pair> Plan() const;

  private:
    bool ScanMailbox(const std::string& path, TMailBox& box);  // false when aborted
    void CopyAll(platform::OutputFile& unique, platform::OutputFile* duplicate);
    bool CopyMailbox(std::size_t index, TMailBox& box, platform::OutputFile& unique,
                     platform::OutputFile* duplicate, std::vector<char>& written);
    void ScanAll();
    using Outcome = DedupeFigures::Outcome;
    void ShowTotals(int output, Outcome outcome);
    void ShowCount(int count);

    std::vector<std::string> mailboxes_;
    DedupeOptions options_;
    JobHost& host_;
    TMailList keys_;  // after the scan: the repeated pairs, sorted by subject
    // Each mailbox as the scan opened it: the copy pass and the plan read nothing else.
    std::vector<platform::FileState> scanned_;
    int messageCount_ = 0;
    int outputCount_ = -1;
    bool aborted_ = false;
    UndatedMails undated_{host_};
    DedupeFigures figures_;
    std::uint64_t step_ = 0;
};

}  // namespace tavori
