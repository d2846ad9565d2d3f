#pragma once
// Comparing whole images: header, grey flag and every byte of pixel memory,
// padding included.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "image/Image.h"
#include "image/ImageFilter.h"
#include "platform/PostedMessage.h"

namespace colour_test {

inline std::vector<std::uint8_t> Snapshot(const Image& image) {
    std::vector<std::uint8_t> bytes;
    if (const BitmapInfo* info = image.info()) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(info);
        bytes.assign(p, p + sizeof(BitmapInfo));
    }
    bytes.push_back(image.is_grayscale());
    if (image.bitmap()) bytes.insert(bytes.end(), image.bitmap(), image.bitmap() + image.image_size());
    return bytes;
}

inline ::testing::AssertionResult SameBytes(const Image& a, const Image& b) {
    const auto x = Snapshot(a), y = Snapshot(b);
    if (x.size() != y.size()) return ::testing::AssertionFailure() << x.size() << " bytes against " << y.size();
    for (std::size_t i = 0; i < x.size(); ++i)
        if (x[i] != y[i]) return ::testing::AssertionFailure() << "first difference at byte " << i;
    return ::testing::AssertionSuccess();
}

// One run of an operation on one image, with what its window was told.
template <class Window>
struct Run {
    bool completed = false;
    ImageFilter::ImageResults out;
    Window window;
};

// Runs the operation on one image with a notification window.
template <class Window>
std::unique_ptr<Run<Window>> Execute(ImageFilter& filter, const Image& image) {
    auto run = std::make_unique<Run<Window>>();
    filter.set_notify_window(&run->window);
    ImageFilter::ImageList in{const_cast<Image*>(&image)};
    run->completed = filter.execute(in.begin(), in.end(), run->out);
    return run;
}

}  // namespace colour_test
