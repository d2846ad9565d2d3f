#pragma once
// Posted window messages over Qt's event loop (Qt behind it: display/,
// framework/ and shell/ only).

#include <cstdint>

#include "platform/PostedMessage.h"

namespace display {

// A window whose posted messages travel as Qt events and are delivered by
// the event loop later, never while the poster waits. Destroying it drops
// whatever is still queued for it.
class QueuedMessageWindow : public platform::MessageWindow {
public:
    QueuedMessageWindow();
    ~QueuedMessageWindow() override;

    // False without an event loop in this process (no Qt application).
    bool Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) final;

    virtual void OnPostedMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

}  // namespace display
