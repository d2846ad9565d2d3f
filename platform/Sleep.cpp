#include "platform/Sleep.h"

#include <cerrno>
#include <ctime>
#include <utility>

namespace platform {
namespace {

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
    // Copies: either may replace the hooks while it runs.
    const FrameFlusher flusher = frameFlusher;
    const SleepHook hook = sleepHook;
    if (flusher) flusher();
    if (hook) {
        hook(milliseconds);
    } else {
        RealSleep(milliseconds);
    }
}

SleepHook SetSleepHook(SleepHook hook) { return std::exchange(sleepHook, std::move(hook)); }

void SetFrameFlusher(FrameFlusher flusher) { frameFlusher = std::move(flusher); }

}  // namespace platform
