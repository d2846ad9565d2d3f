#pragma once
// What the board needs of the window it draws into.

#include <memory>

#include "platform/DeviceContext.h"

namespace platform {

class Window {
public:
    virtual ~Window() = default;

    // Asks the event loop to repaint [left, right) x [top, bottom); with erase
    // the area is first cleared to the window's background.
    virtual void InvalidateRect(int left, int top, int right, int bottom, bool erase) = 0;

    // A context drawing straight into what the window shows. What it draws
    // reaches the screen before the next platform::Sleep; destroying the
    // context releases it.
    virtual std::unique_ptr<DeviceContext> GetDC() = 0;

    // Device pixels per logical pixel of what the window shows: 2 on a
    // double-density screen. Pictures prepared at this resolution stay sharp.
    virtual double DevicePixelRatio() const { return 1.0; }
};

}  // namespace platform
