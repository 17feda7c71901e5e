#pragma once
// What a job needs of the program that runs it: the window's status controls or the
// terminal of the command-line tool. Texts are Shift-JIS.
#include <cstdint>
#include <string>

namespace tavori {

class JobHost {
  public:
    virtual ~JobHost() = default;
    virtual void SetProgressText(const std::string& text) = 0;  // "ファイル:... を変換中..."
    virtual void SetProgressMaximum(std::uint64_t maximum) = 0;
    virtual void SetProgressPosition(std::uint64_t position) = 0;
    // The two counter texts ("件数: 1 / 1", "添付: 0").
    virtual void SetCounters(const std::string& messages, const std::string& attachments) = 0;
    // The one counter text of the duplicate cleanup ("件数: 12").
    virtual void SetMessageCount(const std::string& /*text*/) {}
    // The cleanup's figures ("全件数: ..." and "重複件数: ..."), sent whenever either changes.
    virtual void SetResults(const std::string& /*outMsg*/, const std::string& /*dupLabel*/) {}
    // A file that the job passes over and goes on (the import's "...メールの形式が間違っています"):
    // the window shows it in a warning box, the command-line tool on its error output.
    virtual void Warn(const std::string& /*text*/) {}
    // Before an existing file with mails in it is replaced by a new mailbox: true lets the job
    // replace it. The window asks the user; the command-line tool answers its --force. A host
    // that cannot ask keeps the file.
    virtual bool ConfirmReplace(const std::string& /*path*/) { return false; }
    // Lets the window repaint and handle its stop button between two mails.
    virtual void ProcessPendingEvents() = 0;
    virtual bool AbortRequested() = 0;
};

}  // namespace tavori
