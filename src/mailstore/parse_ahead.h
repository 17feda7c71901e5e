#pragma once
// Reading a big mailbox on a second thread: its messages are split and parsed a batch or two
// ahead of the job, which meanwhile builds and writes what it makes of the ones before. The
// job sees the same messages, byte counts and errors, in the same order, as when it reads them
// itself; only the reading happens elsewhere.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "mailstore/mail_message.h"
#include "platform/monitor.h"

namespace tavori {

// One message as the reader delivers it.
struct ParsedMessage {
    MailMessage message;
    bool any = false;             // it had a header or a body
    std::uint64_t bytesRead = 0;  // file bytes consumed up to its end
};

// The file bytes of one batch, split into whole messages: each span is a message's text,
// without its separator.
struct RawMessages {
    struct Span {
        std::size_t at = 0, size = 0;
        std::uint64_t bytesRead = 0;  // file bytes consumed up to the message's end
    };
    struct Free {
        void operator()(char* p) const { std::free(p); }
    };
    // From malloc, so that growing it for a big message is a realloc: where the system can,
    // the pages are moved, not copied, and the old bytes and the new are not held at once.
    std::unique_ptr<char, Free> bytes;
    std::size_t size = 0, capacity = 0;
    std::vector<Span> spans;
    // Room for at least bytes in all; what is there stays.
    void Reserve(std::size_t total);
    std::string_view Text(const Span& span) const { return {bytes.get() + span.at, span.size}; }
};

// What the second thread reads from: the mailbox reader. Splitting the file into messages
// goes in file order on the second thread; parsing them may happen on either thread.
class MessageSource {
  public:
    virtual ~MessageSource() = default;
    virtual bool AtEnd() = 0;
    // Reads on into raw (emptied first): the next whole messages, about bytes of them and at
    // most messages many, at least one unless the file ends. Throws as reading throws; the
    // spans listed before stay and are whole.
    virtual void Split(RawMessages& raw, std::uint64_t bytes, std::size_t messages) = 0;
    // Parses text, one message of a RawMessages, into into, reusing its buffers. The workers
    // 0 and 1 may parse at the same time; with indexLines the header lines are indexed and the
    // wanted fields found too.
    virtual void Parse(std::string_view text, ParsedMessage& into, int worker, bool indexLines) = 0;
};

class ParseAhead {
  public:
    // Starts reading source on a second thread, which alone uses it until this is destroyed.
    explicit ParseAhead(MessageSource& source);
    ~ParseAhead();  // stops the thread after the message it is reading
    ParseAhead(const ParseAhead&) = delete;
    ParseAhead& operator=(const ParseAhead&) = delete;

    // True when every message has been taken; waits for the thread when it cannot tell yet.
    bool AtEnd();
    // Swaps the next message into into (its old buffers go back for reuse); rethrows the error
    // that reading it met. At the end into becomes an empty message.
    void Next(ParsedMessage& into);

    // A batch holds about this many file bytes, or at most this many messages, and the thread
    // is at most a few batches ahead: memory stays bounded however big the file is. Big
    // batches keep the hand-overs few; a wait between threads costs far more under some
    // systems (Wine) than the parsing of a few hundred mails.
    static constexpr std::uint64_t kBatchBytes = 256 * 1024;
    static constexpr std::size_t kBatchMessages = 4096;
    // The thread splits no further while the batches waiting for the job and the one it works
    // on hold this many file bytes: batches of small mails fill every slot, but a mail of tens
    // of megabytes is held alone, not beside the next one, so that memory stays near twice
    // the biggest mail (its text and the message made of it).
    static constexpr std::uint64_t kAheadBytes = 4 * 1024 * 1024;

    // The thread splits the file into batches, a few ahead, and parses the oldest batch that
    // nobody parses yet. The job parses the batch it needs next itself when nobody has begun
    // it, and while it waits for the thread to finish that one it parses one behind it. So
    // the work is shared out however the two take their time. Tests can fix who parses, and leave
    // the indexing of header lines to the job (the messages are the same either way).
    enum class Parsing { kShared, kReader, kJob };
    static void SetParsingForTests(Parsing parsing, bool indexLines = true);

  private:
    enum class State { kSplit, kParsing, kParsed };
    struct Batch {
        RawMessages raw;
        std::vector<ParsedMessage> messages;  // [0, size) hold this batch's messages
        std::size_t size = 0;
        std::exception_ptr error;  // met after the messages
        bool last = false;         // nothing follows
        State state = State::kSplit;
        std::uint64_t bytes = 0;  // file bytes split into it
    };
    void Work();
    void Parse(Batch& batch, int worker);  // its messages from its spans
    static void ReleaseBigBytes(Batch& batch);
    Batch* OldestSplit();   // the first ready batch nobody parses yet; monitor_ held
    bool TakeBatch();       // the next batch as current_; false when none will come
    bool WaitForMessage();  // AtEnd, waiting for the next batch where it must
    void TakeFront();       // the first ready batch as current_; monitor_ held
    static std::unique_ptr<Batch> TakeSpare();
    static void KeepSpare(std::unique_ptr<Batch> batch);
    static constexpr int kBatches = 4;  // one with the job, the others split or parsed ahead
    bool RoomAhead() const;             // monitor_ held
    static constexpr std::size_t kSpareBatches = kBatches;
    struct SparePool;
    static SparePool& Spares();

    MessageSource& source_;
    platform::Monitor monitor_;  // guards what follows; woken at every change
    std::vector<std::unique_ptr<Batch>> free_;
    std::deque<std::unique_ptr<Batch>> ready_;  // in reading order
    bool stop_ = false;
    bool finished_ = false;  // the thread has handed over its last batch
    std::unique_ptr<Batch> current_;
    std::size_t next_ = 0;  // the next message of current_
    std::thread thread_;
};

}  // namespace tavori
