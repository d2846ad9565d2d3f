#pragma once
// Window messages posted without waiting. Message names are registered once
// per process and give stable ids; a window queues what is posted to it and
// takes it later, from its own event loop.

#include <cstdint>
#include <string_view>

namespace platform {

// The same name always gives the same id, from 0xC000 upward; names compare
// exactly. Safe to call before any window or event loop exists.
unsigned RegisterWindowMessage(std::string_view name);

// A window that messages can be posted to.
class MessageWindow {
public:
    MessageWindow() = default;
    virtual ~MessageWindow() = default;
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    // Queues the message and returns at once. False when it cannot be
    // queued; the message is then lost.
    virtual bool Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

// window->Post, and false for no window.
bool PostMessage(MessageWindow* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

}  // namespace platform
