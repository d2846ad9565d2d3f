#include "platform/Sleep.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

TEST(Sleep, FlusherRunsBeforeTheHook) {
    std::vector<std::string> calls;
    platform::SetFrameFlusher([&] { calls.push_back("flush"); });
    auto previous = platform::SetSleepHook([&](int ms) { calls.push_back("sleep " + std::to_string(ms)); });
    platform::Sleep(1);
    platform::Sleep(7);
    platform::SetFrameFlusher({});
    platform::Sleep(2);
    platform::SetSleepHook(previous);
    EXPECT_EQ(calls, (std::vector<std::string>{"flush", "sleep 1", "flush", "sleep 7", "sleep 2"}));
}

TEST(Sleep, SetSleepHookReturnsThePreviousOne) {
    int first = 0;
    int second = 0;
    platform::SetSleepHook([&](int) { ++first; });
    auto old = platform::SetSleepHook([&](int) { ++second; });
    ASSERT_TRUE(old);
    old(1);
    platform::Sleep(1);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_TRUE(platform::SetSleepHook({}));
}

TEST(Sleep, EmptyHookRestoresTheRealSleep) {
    platform::SetSleepHook({});
    auto start = Clock::now();
    platform::Sleep(30);
    EXPECT_GE(ElapsedMs(start), 30);

    start = Clock::now();
    platform::Sleep(-5);  // nothing to wait for
    EXPECT_LT(ElapsedMs(start), 20);
}

void OnAlarm(int) {}

TEST(Sleep, SignalsDoNotCutTheSleepShort) {
    struct sigaction action {};
    action.sa_handler = OnAlarm;  // no SA_RESTART: nanosleep returns EINTR
    struct sigaction old {};
    ASSERT_EQ(::sigaction(SIGALRM, &action, &old), 0);
    itimerval timer{{0, 5000}, {0, 5000}};
    ::setitimer(ITIMER_REAL, &timer, nullptr);

    platform::SetSleepHook({});
    auto start = Clock::now();
    platform::Sleep(60);
    long elapsed = ElapsedMs(start);

    itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &old, nullptr);
    EXPECT_GE(elapsed, 60);
}

}  // namespace
