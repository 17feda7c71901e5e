#pragma once
// What a job needs of the program that runs it: the window's status controls or the
// terminal of the command-line tool. The job reports its progress, its figures as plain
// counts and the files it passes over; the host turns them into its own texts. Texts are
// Shift-JIS.
#include <cstdint>
#include <string>
#include <variant>

namespace tavori {

// The export's counts as it goes: of the mailbox file being read, and of the whole run.
struct ExportFigures {
    int mailboxMessages = 0;     // message records of the mailbox file being read
    int runMessages = 0;         // message records of the run, that file's included
    int mailboxAttachments = 0;  // attachment records of the mailbox file being read
    // In the decoding mode (decoded true): the characters Shift-JIS lacks that the run's
    // records hold so far, each written as "〓".
    bool decoded = false;
    std::uint64_t unmapped = 0;
    bool operator==(const ExportFigures&) const = default;
};

// The duplicate cleanup's counts.
struct DedupeFigures {
    // The running count: messages read by the scan, then messages the copy pass has written
    // to the unique mailbox.
    int counted = 0;
    // Known once the scan has ended, and again after a stop or an error in the copy pass:
    // the messages the scan read and those the unique mailbox holds (as planned, then as
    // written).
    bool totals = false;
    int total = 0;
    int output = 0;
    enum class Outcome {
        kNone,       // under way, or ended by an error
        kRepeats,    // repeatedPairs pairs repeat: the copy pass writes the mailboxes
        kNoRepeats,  // nothing repeats: nothing is written
        kAborted,    // the user stopped the job
    };
    Outcome outcome = Outcome::kNone;
    int repeatedPairs = 0;
    bool operator==(const DedupeFigures&) const = default;
};

using JobFigures = std::variant<ExportFigures, DedupeFigures>;

// A mail whose Date field is no date and time.
struct BadDate {
    std::string file;   // the mailbox file, or the attachment file, that holds it
    int number = 0;     // the mail's number in that file, from 1
    std::string value;  // the Date field as the mail has it
};
// What to do with it: write it as a mail without a date (this once, or for every such mail
// of the run), or stop the job with the error.
enum class BadDateAnswer { kUndated, kAllUndated, kStop };

class JobHost {
  public:
    virtual ~JobHost() = default;
    virtual void SetProgressText(const std::string& text) = 0;  // "ファイル:... を変換中..."
    virtual void SetProgressMaximum(std::uint64_t maximum) = 0;
    virtual void SetProgressPosition(std::uint64_t position) = 0;
    // The job's figures, sent whenever they change (after every mail): a host that draws
    // them keeps the last and draws it when it next draws anything.
    virtual void ShowFigures(const JobFigures& /*figures*/) {}
    // A file that the job passes over and goes on (the import's "...メールの形式が間違っています"):
    // the window shows it in a warning box, the command-line tool on its error output.
    virtual void Warn(const std::string& /*text*/) {}
    // Before an existing file with mails in it is replaced by a new mailbox: true lets the job
    // replace it. The window asks the user; the command-line tool answers its --force. A host
    // that cannot ask keeps the file.
    virtual bool ConfirmReplace(const std::string& /*path*/) { return false; }
    // A mail whose Date field is no date: the window asks the user; the command-line tool
    // answers its --keep-going. A host that cannot ask stops the job.
    virtual BadDateAnswer AskBadDate(const BadDate& /*bad*/) { return BadDateAnswer::kStop; }
    // Lets the window repaint and handle its stop button between two mails.
    virtual void ProcessPendingEvents() = 0;
    virtual bool AbortRequested() = 0;
};

}  // namespace tavori
