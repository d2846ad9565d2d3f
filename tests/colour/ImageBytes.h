#pragma once
// Comparing whole images: header, grey flag and every byte of pixel memory,
// padding included.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image/Image.h"

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

}  // namespace colour_test
