#include "platform/Sleep.h"

#include <cerrno>
#include <ctime>
#include <mutex>
#include <utility>

namespace platform {
namespace {

std::mutex hooksMutex;
SleepHook sleepHook;
FrameFlusher frameFlusher;

void RealSleep(int milliseconds) {
    timespec remaining{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    timespec left{};
    while (::nanosleep(&remaining, &left) != 0 && errno == EINTR) {
        remaining = left;
    }
}

}  // namespace

void Sleep(int milliseconds) {
    if (milliseconds < 0) milliseconds = 0;
    FrameFlusher flusher;
    SleepHook hook;
    {
        std::lock_guard guard(hooksMutex);
        flusher = frameFlusher;
        hook = sleepHook;
    }
    // Copies are called outside the lock so either may replace the hooks.
    if (flusher) flusher();
    if (hook) {
        hook(milliseconds);
    } else {
        RealSleep(milliseconds);
    }
}

SleepHook SetSleepHook(SleepHook hook) {
    std::lock_guard guard(hooksMutex);
    return std::exchange(sleepHook, std::move(hook));
}

void SetFrameFlusher(FrameFlusher flusher) {
    std::lock_guard guard(hooksMutex);
    frameFlusher = std::move(flusher);
}

}  // namespace platform
