#include "mailstore/parse_ahead.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "mailstore/byte_scan.h"

namespace tavori {
namespace {

// Buffers pass between the threads and rest in the batches' slots; one grown for a big message
// is let go when its slot is used again, so that the slots do not keep many big buffers: what
// stays is at most this much per slot, beside the messages in the batches.
void ReleaseIfBig(ParsedMessage& parsed) {
    constexpr std::size_t kKeepBytes = std::size_t{16} * 1024;
    parsed.message.ReleaseBuffersOver(kKeepBytes);
}

std::atomic<ParseAhead::Parsing> gParsing{ParseAhead::Parsing::kShared};
std::atomic<bool> gIndexLines{true};

}  // namespace

void ParseAhead::SetParsingForTests(Parsing parsing, bool indexLines) {
    gParsing = parsing;
    gIndexLines = indexLines;
}

void RawMessages::Reserve(std::size_t total) {
    if (total <= capacity) return;
    // Doubled: a mail of tens of megabytes is read into it a batch's bytes at a time, and each
    // growth moves what is held (under Wine, a copy into fresh pages): so it moves about once.
    const std::size_t grown = std::max(total, 2 * capacity);
    char* const more = static_cast<char*>(std::realloc(bytes.get(), grown));  // no zeros
    if (more == nullptr) throw std::bad_alloc();
    static_cast<void>(bytes.release());  // moved, or freed by realloc
    bytes.reset(more);
    capacity = grown;
}

// The batches of a finished file wait here for the next one. A new batch fills its slots with
// buffers that the system has to find fresh pages for, and a job reads its files one after
// the other: reusing the last file's batches saves that for every file but the first.
// Never destroyed, so that a reader closed late in the program's exit still has it.
struct ParseAhead::SparePool {
    std::mutex mutex;
    std::vector<std::unique_ptr<Batch>> batches;
};

ParseAhead::SparePool& ParseAhead::Spares() {
    static SparePool* pool = new SparePool;
    return *pool;
}

std::unique_ptr<ParseAhead::Batch> ParseAhead::TakeSpare() {
    SparePool& pool = Spares();
    std::lock_guard lock(pool.mutex);
    if (pool.batches.empty()) return std::make_unique<Batch>();
    std::unique_ptr<Batch> batch = std::move(pool.batches.back());
    pool.batches.pop_back();
    return batch;
}

void ParseAhead::KeepSpare(std::unique_ptr<Batch> batch) {
    if (!batch) return;
    for (std::size_t i = 0; i < batch->messages.size(); ++i) ReleaseIfBig(batch->messages[i]);
    batch->error = nullptr;
    ReleaseBigBytes(*batch);
    SparePool& pool = Spares();
    std::lock_guard lock(pool.mutex);
    if (pool.batches.size() < kSpareBatches) pool.batches.push_back(std::move(batch));
}

ParseAhead::ParseAhead(MessageSource& source) : source_(source) {
    for (int i = 0; i < kBatches; ++i) free_.push_back(TakeSpare());
    thread_ = std::thread([this] { Work(); });
}

ParseAhead::~ParseAhead() {
    {
        std::lock_guard lock(monitor_);
        stop_ = true;
    }
    monitor_.WakeAll();
    thread_.join();
    for (auto& batch : free_) KeepSpare(std::move(batch));
    for (auto& batch : ready_) KeepSpare(std::move(batch));
    KeepSpare(std::move(current_));
}

// The file bytes of a batch that grew for a big message go once they are parsed (or will not
// be): kept, every batch would come to hold the biggest message of the file.
void ParseAhead::ReleaseBigBytes(Batch& batch) {
    if (batch.raw.capacity > 4 * kBatchBytes) batch.raw = RawMessages{};
}

bool ParseAhead::RoomAhead() const {
    std::uint64_t bytes = current_ ? current_->bytes : 0;
    for (const auto& batch : ready_) bytes += batch->bytes;
    return bytes < kAheadBytes;
}

ParseAhead::Batch* ParseAhead::OldestSplit() {
    for (const auto& batch : ready_)
        if (batch->state == State::kSplit) return batch.get();
    return nullptr;
}

void ParseAhead::Work() {
    for (;;) {
        std::unique_ptr<Batch> batch;  // to split
        Batch* toParse = nullptr;
        {
            std::unique_lock lock(monitor_);
            const Parsing parsing = gParsing.load(std::memory_order_relaxed);
            for (;;) {
                if (stop_) return;
                // Splitting comes first, so that both threads have batches to parse.
                if (!finished_ && !free_.empty() && RoomAhead()) {
                    batch = std::move(free_.back());
                    free_.pop_back();
                    break;
                }
                toParse = parsing == Parsing::kJob ? nullptr : OldestSplit();
                if (toParse) {
                    toParse->state = State::kParsing;
                    break;
                }
                if (finished_) return;
                monitor_.Wait(lock);
            }
        }
        if (toParse) {
            Parse(*toParse, 0);
            {
                std::lock_guard lock(monitor_);
                toParse->state = State::kParsed;
            }
            monitor_.WakeAll();
            continue;
        }
        batch->size = 0;
        batch->error = nullptr;
        batch->last = false;
        try {
            batch->raw.spans.clear();  // also when nothing is left to split
            batch->raw.size = 0;
            if (!source_.AtEnd()) source_.Split(batch->raw, kBatchBytes, kBatchMessages);
            batch->last = source_.AtEnd();
        } catch (...) {  // the messages split before stay
            batch->error = std::current_exception();
            batch->last = true;
        }
        batch->bytes = batch->raw.size;
        {
            std::lock_guard lock(monitor_);
            batch->state = State::kSplit;
            finished_ = batch->last;
            ready_.push_back(std::move(batch));
        }
        monitor_.WakeAll();
    }
}

void ParseAhead::Parse(Batch& batch, int worker) {
    const bool indexLines = gIndexLines.load(std::memory_order_relaxed);
    const std::vector<RawMessages::Span>& spans = batch.raw.spans;
    if (batch.messages.size() < spans.size()) batch.messages.resize(spans.size());
    std::size_t i = 0;
    try {
        for (; i < spans.size(); ++i) {
            if (i + 1 < spans.size()) BringNear(batch.raw.Text(spans[i + 1]));
            ParsedMessage& message = batch.messages[i];
            ReleaseIfBig(message);
            source_.Parse(batch.raw.Text(spans[i]), message, worker, indexLines);
            message.bytesRead = spans[i].bytesRead;
        }
    } catch (...) {  // what comes after a message that cannot be parsed is not delivered
        batch.error = std::current_exception();
        batch.last = true;
    }
    batch.size = i;
    ReleaseBigBytes(batch);  // the parsed messages hold their own copies
}

bool ParseAhead::TakeBatch() {
    std::unique_lock lock(monitor_);
    if (current_) {
        free_.push_back(std::move(current_));
        monitor_.WakeAll();
    }
    const bool helps = gParsing.load(std::memory_order_relaxed) != Parsing::kReader;
    for (;;) {
        if (!ready_.empty()) {
            Batch& front = *ready_.front();
            if (front.state == State::kParsed) break;
            if (front.state == State::kSplit && helps) {  // the next batch: parse it here
                front.state = State::kParsing;
                TakeFront();
                lock.unlock();
                Parse(*current_, 1);
                next_ = 0;
                return true;
            }
            // The thread parses the next batch: parse one behind it meanwhile.
            if (Batch* later = helps ? OldestSplit() : nullptr) {
                later->state = State::kParsing;
                lock.unlock();
                Parse(*later, 1);
                lock.lock();
                later->state = State::kParsed;
                continue;
            }
        } else if (finished_) {
            return false;
        }
        monitor_.Wait(lock);
    }
    TakeFront();
    next_ = 0;
    return true;
}

void ParseAhead::TakeFront() {
    const bool full = !RoomAhead();
    current_ = std::move(ready_.front());
    ready_.pop_front();
    if (full) monitor_.WakeAll();  // the thread may split again
}

bool ParseAhead::AtEnd() {
    if (current_ && (next_ < current_->size || current_->error)) return false;
    if (current_ && current_->last) return true;
    {
        // A batch will come while the thread has not reached the end of the file: said without
        // waiting for it, so that the job asks for the next message and lets go of the one it
        // holds before the next is read (see Next). Only a file that shrinks under the reader
        // can then have no message after all: Read gives an empty one.
        std::lock_guard lock(monitor_);
        if (!finished_ || !ready_.empty()) return false;
    }
    return WaitForMessage();  // at the end: nothing to wait for
}

bool ParseAhead::WaitForMessage() {
    for (;;) {
        if (current_ && (next_ < current_->size || current_->error)) return false;
        if (current_ && current_->last) return true;
        if (!TakeBatch()) return true;
    }
}

void ParseAhead::Next(ParsedMessage& into) {
    // The job's last message is done with: a big one goes before the next is waited for, so
    // that it is not held beside the one being read.
    ReleaseIfBig(into);
    if (WaitForMessage()) {
        into.message.Clear();
        into.any = false;
        return;
    }
    if (next_ == current_->size) std::rethrow_exception(current_->error);
    ParsedMessage& parsed = current_->messages[next_++];
    into.message.Swap(parsed.message);
    into.any = parsed.any;
    into.bytesRead = parsed.bytesRead;
    ReleaseIfBig(parsed);  // the job's last message, now in the slot: a big one goes at once
    if (next_ < current_->size) current_->messages[next_].message.BringNear();
}

}  // namespace tavori
