#include "mailstore/message_reader.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "base/errors.h"
#include "decode/header_decoder.h"
#include "mailstore/byte_scan.h"
#include "mailstore/parse_ahead.h"

namespace tavori {
namespace {

// Position of the next "\r\n.\r\n" at or after from in data[0, size), or size when none.
// Full stops alone are common in ISO-2022-JP text (one byte in seventy); a line feed followed
// by one is not.
std::size_t FindSeparator(const char* data, std::size_t from, std::size_t size) {
    std::size_t found = size;
    if (size < from + 5) return found;
    ForEachPair(data, from + 1, size - 2, '\n', ".", [&](std::size_t lf) {
        if (data[lf - 1] != '\r' || data[lf + 2] != '\r' || data[lf + 3] != '\n') return lf + 1;
        found = lf - 1;
        return size;
    });
    return found;
}

}  // namespace

// The open file and its read buffer. The buffer holds at most kBufferSize - 1 file bytes and
// a NUL behind them; a message whole in it is parsed where it lies.
class MailboxFile final : public MessageSource {
  public:
    MailboxFile(std::unique_ptr<platform::InputFile> file, ReadPlan plan)
        : file_(std::move(file)),
          plan_(std::move(plan)),
          fields_(std::make_shared<const WantedFields>(plan_.fields)),
          buffer_(new char[kBufferSize]) {}

    bool AtEnd() override { return pending_ == 0 && carry_.empty() && file_->AtEnd(); }
    void Split(RawMessages& raw, std::uint64_t bytes, std::size_t messages) override;
    void Parse(std::string_view text, ParsedMessage& into, int worker, bool indexLines) override {
        into.any = into.message.Parse(text, plan_.body, decoding_[worker], plan_.form);
        if (indexLines) into.message.FindFields(fields_);  // here, where the message was parsed
    }
    bool ReadMessage(MailMessage& message);
    std::uint64_t Size() const { return file_->Size(); }
    platform::InputFile& File() { return *file_; }
    const platform::InputFile& File() const { return *file_; }
    const ReadPlan& Plan() const { return plan_; }
    std::uint64_t BytesRead() const { return bytesRead_; }

  private:
    bool FillBuffer();
    void RequireRoom(const std::string& raw, std::size_t more) const {
        RequireRoom(raw.size(), more);
    }
    void RequireRoom(std::size_t held, std::size_t more) const;

    static constexpr std::size_t kBufferSize = MessageReader::kBufferSize;
    std::unique_ptr<platform::InputFile> file_;
    const ReadPlan plan_;
    const std::shared_ptr<const WantedFields> fields_;  // plan_'s, shared by the messages
    std::unique_ptr<char[]> buffer_;
    std::size_t readPtr_ = 0;    // offset of the first unconsumed byte in the buffer
    std::uint64_t pending_ = 0;  // unconsumed bytes from readPtr_ on
    std::uint64_t bytesRead_ = 0;
    std::string raw_;    // a message spanning buffer loads
    std::string carry_;  // for Split: the bytes of a message the last stretch did not finish
    HeaderDecodeBuffers decoding_[2];  // one for each thread that parses
};

bool MailboxFile::FillBuffer() {
    if (pending_ > 4) return true;
    if (file_->AtEnd()) return pending_ > 0;
    char* buf = buffer_.get();
    if (pending_ > 0) std::memmove(buf, buf + readPtr_, pending_);
    std::size_t want = kBufferSize - 1 - pending_;
    std::size_t got = 0;
    // A short read is not the end; keep reading until the block is full or the file ends.
    while (got < want) {
        std::size_t n = file_->Read(buf + pending_ + got, want - got);
        if (n == 0) break;
        got += n;
    }
    pending_ += got;
    readPtr_ = 0;
    buf[pending_] = '\0';
    return pending_ > 0;
}

// Checked before each append, so the text of a message never grows beyond the bound.
void MailboxFile::RequireRoom(std::size_t held, std::size_t more) const {
    const std::size_t maxMessageBytes = plan_.maxMessageBytes;
    if (more <= maxMessageBytes - held) return;
    constexpr std::size_t kMiB = std::size_t{1024} * 1024;
    const std::string bound = maxMessageBytes >= kMiB && maxMessageBytes % kMiB == 0
                                  ? std::to_string(maxMessageBytes / kMiB) + " MB"
                                  : std::to_string(maxMessageBytes) + " バイト";
    throw ConvertError(PathError(file_->Path(), "のメッセージが大きすぎます",
                                 "1 通の大きさが " + bound + " を超えています"));
}

bool MailboxFile::ReadMessage(MailMessage& message) {
    // A message that spans buffer loads is joined in a buffer kept from message to message,
    // unless it grew for a big one.
    std::string& raw = raw_;
    raw.clear();
    if (raw.capacity() > std::size_t{1024} * 1024) std::string().swap(raw);
    const char* buf = buffer_.get();
    while (FillBuffer()) {
        const std::size_t end = readPtr_ + pending_;
        const std::size_t sep = FindSeparator(buf, readPtr_, end);
        if (sep < end) {
            const std::size_t d = sep - readPtr_;
            RequireRoom(raw, d);
            const std::size_t start = readPtr_;
            readPtr_ += d + MailMessage::kSeparator.size();
            pending_ -= d + MailMessage::kSeparator.size();
            bytesRead_ += d + MailMessage::kSeparator.size();
            if (raw.empty()) {  // the whole message is in the buffer: parse it from there
                return message.Parse(std::string_view(buf + start, d), plan_.body, decoding_[0],
                                     plan_.form);
            }
            raw.append(buf + start, d);
            break;
        }
        // Hold the last 4 bytes back, so a separator straddling two loads is found.
        const std::size_t n = pending_ > 4 ? pending_ - 4 : pending_;
        RequireRoom(raw, n);
        raw.append(buf + readPtr_, n);
        readPtr_ += n;
        pending_ -= n;
        bytesRead_ += n;
    }
    return message.Parse(raw, plan_.body, decoding_[0], plan_.form);
}

static_assert(ParseAhead::kBatchBytes >= platform::InputFile::kBlockBytes,
              "a batch's reads must go to the system directly");

// The same split as ReadMessage's, over bigger stretches read straight into raw: the file is
// read bytes at a time behind the bytes carried over (reads of the file's read-ahead size or
// more go to the system directly, with no copy between), every message whole in what was read
// is listed, and the bytes of the last, unfinished one are carried to the next call. A message
// longer than the bound is refused as ReadMessage refuses it: once more than the bound and the four
// bytes a separator could still need are held, or at its separator or the end of the file.
void MailboxFile::Split(RawMessages& raw, std::uint64_t bytes, std::size_t messages) {
    raw.spans.clear();
    raw.size = 0;
    const std::size_t step = static_cast<std::size_t>(bytes);
    raw.Reserve(carry_.size() + step + 1);
    if (!carry_.empty()) std::memcpy(raw.bytes.get(), carry_.data(), carry_.size());
    raw.size = carry_.size();
    carry_.clear();
    std::size_t start = 0;     // where the unfinished message begins
    std::size_t searched = 0;  // the separator search goes on from here
    bool end = false;
    for (std::size_t target = raw.size + step;; target = raw.size + step) {
        // Read up to target bytes in all; a short read is not the end.
        raw.Reserve(target + 1);
        while (raw.size < target && !file_->AtEnd()) {
            const std::size_t n = file_->Read(raw.bytes.get() + raw.size, target - raw.size);
            if (n == 0) break;
            raw.size += n;
        }
        end = raw.size < target || file_->AtEnd();
        const char* data = raw.bytes.get();
        for (;;) {
            const std::size_t sep = FindSeparator(data, std::max(start, searched), raw.size);
            if (sep == raw.size) break;
            const std::size_t d = sep - start;
            RequireRoom(0, d);
            bytesRead_ += d + MailMessage::kSeparator.size();
            raw.spans.push_back({start, d, bytesRead_});
            start = sep + MailMessage::kSeparator.size();
            if (raw.spans.size() == messages) {  // the rest waits for the next call
                carry_.assign(data + start, raw.size - start);
                return;
            }
        }
        // A separator may begin in the last four bytes; the search goes on from there.
        searched = raw.size > 4 ? raw.size - 4 : 0;
        if (end) break;
        const std::size_t held = raw.size - start;
        if (held > 4) RequireRoom(0, held - 4);
        if (!raw.spans.empty()) {
            carry_.assign(data + start, held);
            return;
        }
    }
    // The bytes after the last separator form one more message.
    if (start < raw.size) {
        const std::size_t d = raw.size - start;
        RequireRoom(0, d);
        bytesRead_ += d;
        raw.spans.push_back({start, d, bytesRead_});
    }
}

MessageReader::MessageReader(std::unique_ptr<platform::InputFile> file, ReadPlan plan)
    : file_(std::make_unique<MailboxFile>(std::move(file), std::move(plan))) {}

MessageReader::~MessageReader() {
    ahead_.reset();  // the second thread stops before the file closes
}

const std::string& MessageReader::FileName() const { return file_->File().Path(); }

void MessageReader::Start() {
    started_ = true;
    const std::uint64_t size = file_->Size();
    if (size < file_->Plan().aheadFrom) return;
    aheadFileSize_ = size;
    ahead_ = std::make_unique<ParseAhead>(*file_);
}

platform::FileState MessageReader::FileState() const { return file_->File().State(); }

void MessageReader::Expect(const platform::FileState& state, std::string changed) {
    // Once the second thread reads, the file is its own.
    if (started_) throw std::logic_error("MessageReader::Expect after the reading began");
    file_->File().Expect(state, std::move(changed));
}

bool MessageReader::AtEnd() {
    if (!started_) Start();
    return ahead_ ? ahead_->AtEnd() : file_->AtEnd();
}

std::uint64_t MessageReader::FileSize() const {
    // While the second thread reads, the file is its own; the size it started with stands.
    return ahead_ ? aheadFileSize_ : file_->Size();
}

bool MessageReader::Read(MailMessage& message) {
    if (!started_) Start();
    if (ahead_) {
        ParsedMessage parsed{std::move(message)};
        parsed.bytesRead = bytesRead_;  // stays so when no message comes
        struct Back {                   // the buffers return, also when reading failed
            MailMessage& message;
            ParsedMessage& parsed;
            ~Back() { message = std::move(parsed.message); }
        } back{message, parsed};
        ahead_->Next(parsed);
        bytesRead_ = parsed.bytesRead;
        return parsed.any;
    }
    struct Count {  // bytes consumed also when reading fails
        MessageReader& reader;
        ~Count() { reader.bytesRead_ = reader.file_->BytesRead(); }
    } count{*this};
    return file_->ReadMessage(message);
}

}  // namespace tavori
