#include "platform/read_ahead.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tavori::platform {

ReadAhead::ReadAhead(Source source, std::size_t blockBytes)
    : source_(std::move(source)), blockBytes_(blockBytes) {
    for (Block& b : blocks_) b.data = std::make_unique<char[]>(blockBytes_);
    worker_ = std::thread([this] { Work(); });
}

ReadAhead::~ReadAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void ReadAhead::Work() {
    for (int i = 0;; i ^= 1) {
        Block& b = blocks_[i];
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stop_ || !b.full; });
            if (stop_) return;
        }
        std::size_t got = 0;
        std::exception_ptr error;
        try {
            got = source_(b.data.get(), blockBytes_);
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            b.size = got;
            b.taken = 0;
            b.error = error;
            b.last = got == 0 || error;
            b.full = true;
        }
        changed_.notify_all();
        if (got == 0 || error) return;
    }
}

std::size_t ReadAhead::Take(char* dest, std::size_t n) {
    Block& b = blocks_[current_];
    if (!owned_) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return b.full; });
        owned_ = true;
    }
    if (b.error) std::rethrow_exception(b.error);
    if (b.last) return 0;  // stays here: every later call sees the end too
    const std::size_t take = std::min(n, b.size - b.taken);
    std::memcpy(dest, b.data.get() + b.taken, take);
    b.taken += take;
    if (b.taken == b.size) {  // used up: the second thread may fill it again
        {
            std::lock_guard<std::mutex> lock(mutex_);
            b.full = false;
        }
        changed_.notify_all();
        owned_ = false;
        current_ ^= 1;
    }
    return take;
}

}  // namespace tavori::platform
