#pragma once
// Window messages posted without waiting. Message names are registered once
// per process and give stable ids; a posted message is queued on the event
// loop and delivered to its window later, unless the window is gone by then.

#include <cstdint>
#include <string_view>

namespace platform {

// The same name always gives the same id, from 0xC000 upward; names compare
// exactly. Safe to call before any window or event loop exists.
unsigned RegisterWindowMessage(std::string_view name);

// A window that can receive posted messages. Destroying it drops whatever is
// still queued for it.
class MessageWindow {
public:
    MessageWindow();
    virtual ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    virtual void OnPostedMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

// Queues the message and returns at once. False when it cannot be queued (no
// window, or no event loop in this process); the message is then lost.
bool PostMessage(MessageWindow* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

// Delivers every message queued so far, for code that runs no event loop of
// its own (tests).
void DispatchPostedMessages();

}  // namespace platform
