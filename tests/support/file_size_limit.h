#pragma once
// A full disk for tests, made with the process's file size limit: writes beyond it fail as
// they fail on a full disk (SIGXFSZ, which would end the process, is ignored meanwhile).
#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <string>

#include "base/errors.h"

namespace tavori::test {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(std::uint64_t bytes) {
        ok_ = ::getrlimit(RLIMIT_FSIZE, &saved_) == 0;
        previous_ = ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved_;
        small.rlim_cur = static_cast<rlim_t>(bytes);
        ok_ = ok_ && ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    // False when the limit could not be set: the test cannot run.
    bool Set() const { return ok_; }

  private:
    struct rlimit saved_ {};
    void (*previous_)(int) = SIG_DFL;
    bool ok_ = false;
};

// The message of the IoError that run throws once the disk is full after bytes; "" when it
// throws none.
template <class Run>
std::string IoErrorOnFullDisk(std::uint64_t bytes, Run run) {
    FileSizeLimit full(bytes);
    if (!full.Set()) return "the file size limit could not be set";
    try {
        run();
    } catch (const IoError& e) {
        return e.what();
    }
    return {};
}

}  // namespace tavori::test
#endif
