#pragma once
// An off-screen picture to draw on through a DeviceContext, for code that has
// no window: tests check pixels on it, benchmarks draw on it. Plain C++; the
// pixels live in Qt behind it.

#include <memory>
#include <string>

#include "platform/DeviceContext.h"

namespace platform {

class Surface {
public:
    // Sizes below zero are taken as zero; a size too large to allocate throws
    // std::length_error.
    Surface(int width, int height, Rgb fill);
    ~Surface();
    Surface(Surface&&) noexcept;
    Surface& operator=(Surface&&) noexcept;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    int Width() const;
    int Height() const;
    // Throws std::out_of_range outside the picture.
    Rgb Pixel(int x, int y) const;

    // A context drawing on this surface; it keeps the pixels alive, so it may
    // outlive the Surface object.
    std::unique_ptr<DeviceContext> Context();

    bool SaveAsPng(const std::string& path) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
