#pragma once
// A lock and a condition its holders wait for, for the threads of the core: the standard
// library's mutex and condition variable, except on Windows, where the system's slim locks
// and condition variables take their place. The C++ runtime of the Windows build makes every
// wait and every wake-up a kernel object's, each a round trip to the server under Wine, and a
// reader hands batches between its threads thousands of times a second.
#include <memory>
#include <mutex>

namespace tavori::platform {

class Monitor {
  public:
    Monitor();
    ~Monitor();
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    // As a mutex's, so that std::lock_guard and std::unique_lock hold it.
    void lock();
    void unlock();
    // With the lock held: lets it go until woken (or woken for no reason, as a condition
    // variable may be), then holds it again.
    void Wait(std::unique_lock<Monitor>& held);
    void WakeAll();

  private:
    struct System;
    std::unique_ptr<System> system_;
};

}  // namespace tavori::platform
