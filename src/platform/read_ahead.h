#pragma once
// Reading a file ahead on a second thread: while the reader works on one block, the next is
// read from the system, so the time the system spends copying the file overlaps with the
// reader's own. The reader sees the bytes in order and the errors where they happened.
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tavori::platform {

class ReadAhead {
  public:
    // source reads up to n bytes into dest and returns how many, 0 at the end; it runs on
    // the second thread only, one call at a time.
    using Source = std::function<std::size_t(char* dest, std::size_t n)>;
    ReadAhead(Source source, std::size_t blockBytes);
    ~ReadAhead();  // stops the second thread and waits for it
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Up to n of the next bytes into dest; 0 at the end. An error of the source is thrown
    // here when the reading reaches it, and again on every later call.
    std::size_t Take(char* dest, std::size_t n);

  private:
    struct Block {
        std::unique_ptr<char[]> data;
        std::size_t size = 0, taken = 0;
        bool full = false;  // filled by the second thread, not yet used up by the reader
        bool last = false;  // the end or an error: the second thread has stopped
        std::exception_ptr error;
    };
    void Work();

    Source source_;
    const std::size_t blockBytes_;
    Block blocks_[2];
    int current_ = 0;     // the block the reader takes from
    bool owned_ = false;  // the reader has seen the current block full
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    std::thread worker_;
};

}  // namespace tavori::platform
