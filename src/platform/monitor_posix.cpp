#include <condition_variable>
#include <mutex>

#include "platform/monitor.h"

namespace tavori::platform {

struct Monitor::System {
    std::mutex mutex;
    std::condition_variable changed;
};

Monitor::Monitor() : system_(std::make_unique<System>()) {}
Monitor::~Monitor() = default;

void Monitor::lock() { system_->mutex.lock(); }
void Monitor::unlock() { system_->mutex.unlock(); }

void Monitor::Wait(std::unique_lock<Monitor>& held) {
    // held holds this monitor, which is the mutex: the wait borrows it and gives it back.
    std::unique_lock<std::mutex> mutex(system_->mutex, std::adopt_lock);
    system_->changed.wait(mutex);
    mutex.release();
    (void)held;
}

void Monitor::WakeAll() { system_->changed.notify_all(); }

}  // namespace tavori::platform
