#pragma once
// The millisecond sleep of the slide animation.

#include <functional>

namespace platform {

// First brings every window's context drawing to the screen, then sleeps.
void Sleep(int milliseconds);

// Replaces the actual sleep (tests capture frames with it). An empty function
// restores the real one. Returns the previous hook.
using SleepHook = std::function<void(int milliseconds)>;
SleepHook SetSleepHook(SleepHook hook);

// Called by Sleep before it sleeps; display's surface widget installs it.
using FrameFlusher = std::function<void()>;
void SetFrameFlusher(FrameFlusher flusher);

}  // namespace platform
