#include <windows.h>

#include "platform/monitor.h"

namespace tavori::platform {

struct Monitor::System {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
};

Monitor::Monitor() : system_(std::make_unique<System>()) {}
Monitor::~Monitor() = default;

void Monitor::lock() { AcquireSRWLockExclusive(&system_->lock); }
void Monitor::unlock() { ReleaseSRWLockExclusive(&system_->lock); }

void Monitor::Wait(std::unique_lock<Monitor>& held) {
    (void)held;  // holds this monitor's lock, which the wait lets go and takes again
    SleepConditionVariableSRW(&system_->changed, &system_->lock, INFINITE, 0);
}

void Monitor::WakeAll() { WakeAllConditionVariable(&system_->changed); }

}  // namespace tavori::platform
