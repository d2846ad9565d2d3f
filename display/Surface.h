#pragma once
// An off-screen picture to draw on through a DeviceContext, for code that has
// no window: tests check pixels on it, benchmarks draw on it. Plain C++; the
// pixels live in Qt behind it.

#include <memory>

#include "platform/DeviceContext.h"

namespace display {

class Surface {
public:
    // Sizes below zero are taken as zero; a size too large to allocate throws
    // std::length_error. width and height are logical pixels; the picture
    // holds ratio device pixels for each (a ratio that is not a positive
    // number, or above 8, throws std::invalid_argument), as a window on a
    // high-density screen does.
    Surface(int width, int height, platform::Rgb fill, double ratio = 1.0);
    ~Surface();
    Surface(Surface&&) noexcept;
    Surface& operator=(Surface&&) noexcept;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // The picture's size and pixels in device pixels.
    int Width() const;
    int Height() const;
    double Ratio() const;
    // Throws std::out_of_range outside the picture.
    platform::Rgb Pixel(int x, int y) const;

    // A context drawing on this surface; it keeps the pixels alive, so it may
    // outlive the Surface object.
    std::unique_ptr<platform::DeviceContext> Context();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace display
