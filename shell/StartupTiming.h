#pragma once
// Start-up timing for the benchmark script: when TESSERIN_STARTUP_TIMING is
// set, the program prints to stderr, as CLOCK_REALTIME nanoseconds,
//   tesserin-timing mapped <ns>   when the main window is first exposed
//   tesserin-timing drawn <ns>    once the view's first paint is done
// Without the variable nothing is watched.

namespace framework {
class FrameWindow;
}

namespace shell {

inline constexpr const char* kStartupTimingVariable = "TESSERIN_STARTUP_TIMING";

void WatchStartup(framework::FrameWindow* frame);

}  // namespace shell
