#pragma once
// Reading a mailbox file (.mbx) one message at a time. A mailbox file is a plain sequence of
// messages, each followed by the separator "\r\n.\r\n"; bytes after the last separator form
// one more message.
//
// What a reader does with each message is fixed when it is made (ReadPlan). A big file is
// split and parsed on a second thread, a batch or two ahead of the caller, who meanwhile
// works on the messages before; the caller sees the same messages, byte counts and errors, in
// the same order, either way.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "mailstore/mail_message.h"
#include "platform/file.h"

namespace tavori {

class ParseAhead;
class MailboxFile;

struct ReadPlan {
    // A reader that needs header fields only (a scan) leaves the body of each message
    // unbuilt: Body() is then empty, and Read still tells whether there was one.
    bool body = true;
    // How each message is read: the mailbox form, or decoded for a person to read.
    MessageForm form = MessageForm::kMailbox;
    // The fields asked of every message (and the marker given to CollectField): where the
    // second thread reads the file, it finds these too, and the lookups use what it found.
    WantedFields fields;
    // The bound on one message's raw text, which is held whole in memory: a longer message is a
    // ConvertError naming the file.
    static constexpr std::size_t kDefaultMaxMessageBytes = std::size_t{256} * 1024 * 1024;
    std::size_t maxMessageBytes = kDefaultMaxMessageBytes;
    // Files of this size or more are read on a second thread.
    static constexpr std::uint64_t kAheadFrom = 1024 * 1024;
    std::uint64_t aheadFrom = kAheadFrom;
};

class MessageReader {
  public:
    // The read buffer of a file read on the calling thread holds at most kBufferSize - 1 file
    // bytes; a message whole in it is parsed where it lies.
    static constexpr std::size_t kBufferSize = 16384;

    MessageReader(std::unique_ptr<platform::InputFile> file, ReadPlan plan);
    ~MessageReader();  // stops the second thread after the message it is reading
    MessageReader(const MessageReader&) = delete;
    MessageReader& operator=(const MessageReader&) = delete;

    const std::string& FileName() const;
    std::uint64_t FileSize() const;
    // The file's identity, size and last write, and the promise that it stays so (see
    // InputFile::Expect), which must be given before the first Read or AtEnd.
    platform::FileState FileState() const;
    void Expect(const platform::FileState& state, std::string changed);

    bool AtEnd();
    // Reads the next message into message, reusing its buffers; true when it has a header or
    // a body.
    bool Read(MailMessage& message);
    // File bytes consumed since the start: message text plus 5 per separator.
    std::uint64_t BytesRead() const { return bytesRead_; }

  private:
    void Start();  // on the first Read or AtEnd: decides whether a second thread reads

    std::unique_ptr<MailboxFile> file_;
    std::unique_ptr<ParseAhead> ahead_;
    bool started_ = false;
    std::uint64_t aheadFileSize_ = 0;  // the size when the second thread started
    std::uint64_t bytesRead_ = 0;
};

}  // namespace tavori
