#pragma once
// TMailBox: a mailbox file (.mbx) read one message at a time, with the current message in the
// normal form that the jobs use and that GetMessage writes back as mailbox text. It holds a
// MessageReader for the open file and the MailMessage last read or set.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "mailstore/mail_message.h"
#include "mailstore/message_reader.h"
#include "platform/file.h"

namespace tavori {

class TMailBox {
  public:
    static constexpr std::string_view kSeparator = MailMessage::kSeparator;

    TMailBox();
    virtual ~TMailBox();
    TMailBox(const TMailBox&) = delete;
    TMailBox& operator=(const TMailBox&) = delete;

    // Opens path for reading (mode 0), read as plan says. A missing file is no error: Opened()
    // stays false. A file still open is closed first. Mode 1 empties an existing file and
    // keeps nothing open for reading.
    void Open(const std::string& path, int mode = 0, ReadPlan plan = {});
    // Reads a file the caller has opened (its checks made on the open file), as plan says.
    void Open(std::unique_ptr<platform::InputFile> file, ReadPlan plan = {});
    void Close();
    bool AtEnd() const;
    std::uint64_t GetFileSize() const;  // IoError when no file is open
    // The open file's identity, size and last write, and the promise that it stays so (see
    // InputFile::Expect): before the first ReadMessage or AtEnd. IoError when no file is open.
    platform::FileState GetFileState() const;
    void ExpectFileState(const platform::FileState& state, std::string changed);

    // Reads the next message and makes it the current one; true when it has a header or a body.
    bool ReadMessage();
    // Makes text the current message, normalised like a message read from a file.
    void SetMessage(std::string_view text) { message_ = MailMessage(text); }
    // The current message as mailbox text, separator included; empty when it has no header.
    std::string GetMessage() const { return message_.ToMailboxText(); }

    const MailMessage& Message() const { return message_; }
    bool HasHeader() const { return message_.HasHeader(); }
    std::string GetField(std::string_view name) const { return message_.GetField(name); }
    std::string_view FieldView(std::string_view name) const { return message_.FieldView(name); }
    double GetDate() const { return message_.GetDate(); }
    std::string CollectField(std::string_view marker) const {
        return message_.CollectField(marker);
    }
    const std::string& Header() const { return message_.Header(); }
    const std::string& Body() const { return message_.Body(); }

    const std::string& FileName() const { return fileName_; }
    bool Opened() const { return reader_ != nullptr || emptied_ != nullptr; }
    // File bytes consumed by ReadMessage since Open: message text plus 5 per separator.
    std::uint64_t BytesRead() const { return reader_ ? reader_->BytesRead() : 0; }

  private:
    void RequireOpen() const;

    std::string fileName_;
    std::unique_ptr<MessageReader> reader_;
    std::unique_ptr<platform::OutputFile> emptied_;  // mode 1
    MailMessage message_;
};

}  // namespace tavori
