#include "mailstore/parse_ahead.h"

#include <utility>

namespace tavori {
namespace {

// Buffers pass between the threads and rest in the batches' slots; one grown for a big message
// is let go when its slot is used again, so that the slots do not keep many big buffers: what
// stays is at most this much per slot, beside the messages in the batches.
void ReleaseIfBig(ParsedMessage& message) {
    constexpr std::size_t kKeepBytes = 16 * 1024;
    if (message.header.capacity() > kKeepBytes) std::string().swap(message.header);
    if (message.body.capacity() > kKeepBytes) std::string().swap(message.body);
}

std::atomic<ParseAhead::LineIndexing> gLineIndexing{ParseAhead::LineIndexing::kShared};

bool IndexHere(bool jobWaiting) {
    switch (gLineIndexing.load(std::memory_order_relaxed)) {
        case ParseAhead::LineIndexing::kAlways: return true;
        case ParseAhead::LineIndexing::kNever: return false;
        default: return !jobWaiting;
    }
}

}  // namespace

void ParseAhead::SetLineIndexingForTests(LineIndexing indexing) { gLineIndexing = indexing; }

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
    SparePool& pool = Spares();
    std::lock_guard lock(pool.mutex);
    if (pool.batches.size() < kSpareBatches) pool.batches.push_back(std::move(batch));
}

ParseAhead::ParseAhead(MessageSource& source) : source_(source) {
    for (int i = 0; i < 2; ++i) free_.push_back(TakeSpare());
    thread_ = std::thread([this] { Work(); });
}

ParseAhead::~ParseAhead() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
    for (auto& batch : free_) KeepSpare(std::move(batch));
    for (auto& batch : ready_) KeepSpare(std::move(batch));
    KeepSpare(std::move(current_));
}

void ParseAhead::Work() {
    for (;;) {
        std::unique_ptr<Batch> batch;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stop_ || !free_.empty(); });
            if (stop_) return;
            batch = std::move(free_.back());
            free_.pop_back();
        }
        batch->size = 0;
        batch->error = nullptr;
        batch->last = false;
        try {
            std::uint64_t from = 0;
            while (batch->size < kBatchMessages && !source_.AtEnd()) {
                if (batch->size == batch->messages.size()) batch->messages.emplace_back();
                ParsedMessage& message = batch->messages[batch->size];
                ReleaseIfBig(message);
                source_.Next(message, IndexHere(waiting_.load(std::memory_order_relaxed)));
                ++batch->size;
                if (batch->size == 1) from = message.bytesRead;
                if (message.bytesRead - from >= kBatchBytes) break;
            }
            batch->last = source_.AtEnd();
        } catch (...) {
            batch->error = std::current_exception();
            batch->last = true;
        }
        const bool last = batch->last;
        {
            std::lock_guard lock(mutex_);
            ready_.push_back(std::move(batch));
            finished_ = last;
        }
        changed_.notify_all();
        if (last) return;
    }
}

bool ParseAhead::TakeBatch() {
    std::unique_lock lock(mutex_);
    if (current_) {
        free_.push_back(std::move(current_));
        changed_.notify_all();
    }
    if (ready_.empty() && !finished_) {
        waiting_.store(true, std::memory_order_relaxed);
        changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
        waiting_.store(false, std::memory_order_relaxed);
    }
    if (ready_.empty()) return false;
    current_ = std::move(ready_.front());
    ready_.pop_front();
    next_ = 0;
    return true;
}

bool ParseAhead::AtEnd() {
    for (;;) {
        if (current_ && (next_ < current_->size || current_->error)) return false;
        if (current_ && current_->last) return true;
        if (!TakeBatch()) return true;
    }
}

void ParseAhead::Next(ParsedMessage& into) {
    if (AtEnd()) {
        into.header.clear();
        into.body.clear();
        into.any = false;
        into.lines.Index({});
        into.indexed = true;
        return;
    }
    if (next_ == current_->size) std::rethrow_exception(current_->error);
    ParsedMessage& message = current_->messages[next_++];
    std::swap(into.header, message.header);
    std::swap(into.body, message.body);
    std::swap(into.lines, message.lines);
    into.any = message.any;
    into.bytesRead = message.bytesRead;
    into.indexed = message.indexed;
}

}  // namespace tavori
