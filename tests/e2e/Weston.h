#pragma once
// A private Wayland compositor for the end-to-end tests: weston on its own
// socket in its own runtime folder, either headless (no screen, no input;
// screenshots through its debug protocol) or drawing into a window on the
// test's X display, which forwards the X pointer and keyboard to its
// clients as real Wayland input.

#include <sys/types.h>

#include <QImage>
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

class Weston {
public:
    enum class Backend { Headless, X11 };

    Weston(Backend backend, int width, int height);
    ~Weston();
    Weston(const Weston&) = delete;
    Weston& operator=(const Weston&) = delete;

    // True once clients can connect.
    bool WaitReady(std::chrono::milliseconds timeout);
    // What a client needs to be this compositor's client.
    std::vector<std::pair<std::string, std::string>> ClientEnvironment() const;
    // Its log, for a failure's message.
    std::string Log() const;

    // The whole output as the compositor last drew it (headless only).
    std::optional<QImage> Screenshot() const;
    // The X window it draws into (X11 only).
    std::optional<unsigned long> XWindow(std::chrono::milliseconds timeout) const;

private:
    std::string runtime_;
    std::string socket_;
    pid_t pid_ = -1;
};

// The first line of text not written by the Wayland protocol log
// (WAYLAND_DEBUG's lines start with "[" and a time stamp), or "".
std::string FirstNonProtocolLine(const std::string& output);

}  // namespace e2e
