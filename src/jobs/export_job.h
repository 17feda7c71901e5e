#pragma once
// The export run: every message of a list of mailbox files, and the .EML attachment files
// that a message names, becomes one REN record in one REN file.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jobs/job_host.h"
#include "jobs/ren_record.h"
#include "jobs/undated_mails.h"

namespace tavori {

class TMailBox;
class MailMessage;
namespace platform {
class FolderBound;
class OutputFile;
}  // namespace platform

struct ExportSource {
    std::string mailboxPath;
    std::string attachDir;  // the user's attachments folder, ending in a folder separator
};

class ExportJob {
  public:
    // The sources are taken as they are now: later changes of the caller's lists do not
    // reach a running job.
    ExportJob(std::string outputPath, std::vector<ExportSource> sources, RecordOptions options,
              JobHost& host);

    // Creates the REN file anew and exports every source in order. Before anything is
    // created, every source must be an existing regular file and none may be the REN file
    // itself (through a link, or a name that becomes it with its new extension): an error
    // then leaves every file as it was. Records are gathered into blocks of whole records,
    // handed to the system before a stop is acted on, when an error leaves the run and at
    // its end, so an error or an abort keeps all records before it (a killed process loses
    // at most the last block). Errors end the run as exceptions; an
    // abort ends it after the current message and its attachments, or after a mailbox file.
    void Run();

    int ExportTotal() const { return exportTotal_; }  // messages of the finished mailbox files
    // Message records in the REN file, those of a mailbox cut short by a stop included.
    int MessagesWritten() const { return messagesWritten_; }
    int AttachTotal() const { return attachTotal_; }  // attachment records of the whole run
    bool Aborted() const { return aborted_; }
    // Mails written without a date because their Date was no date (the host said so).
    int Undated() const { return undated_.Count(); }
    // In the decoding mode: the characters Shift-JIS lacks, written as "〓" in the records.
    std::uint64_t Unmapped() const { return unmapped_; }

  private:
    // false when the run was aborted
    bool ConvertMailbox(const ExportSource& source, TMailBox& mailbox, platform::OutputFile& ren);
    // The record's pieces; a Date that is no date is put to the host.
    std::array<std::string_view, 4> Pieces(const MailMessage& message, const std::string& file,
                                           int number, RecordBuffers& buffers);
    int ExportAttachments(const ExportSource& source, const TMailBox& mailbox, TMailBox& attached,
                          std::optional<platform::FolderBound>& folder, platform::OutputFile& ren);

    std::string outputPath_;
    std::vector<ExportSource> sources_;
    RecordOptions options_;
    JobHost& host_;
    int exportTotal_ = 0;
    int messagesWritten_ = 0;
    int attachTotal_ = 0;
    bool aborted_ = false;
    UndatedMails undated_;
    std::uint64_t unmapped_ = 0;
    const std::vector<std::string> fieldNames_ = RecordFieldNames();
};

// The attachment file that a line of the "X-Becky-Attachment-File:" field names inside the
// attachments folder, or "" when the name must not be read: it would reach outside the folder
// (absolute path, drive, ":", "..", leading "\" or "/") or names a Windows device.
std::string AttachmentPath(const std::string& attachDir, const std::string& name);

}  // namespace tavori
