#pragma once
// The colour increase pixel by pixel through the strict accessors: slow and
// plain, the yardstick the row-wise conversion is held to.

#include <memory>

#include "image/Image.h"

namespace colour_test {

inline std::unique_ptr<Image> PerPixelIncrease(const Image& source, int target) {
    auto result = std::make_unique<Image>(source);
    result->set_grayscale(false);
    result->set_bit_count(target);
    result->create();
    for (int y = 0; y < result->height(); ++y) {
        for (int x = 0; x < result->width(); ++x) {
            const Point p(x, y);
            const int index = source.get_index(p, true);
            if (target < 24)
                result->set_index(p, index, true);
            else
                result->set_color(p, source.palette_color(index), true);
        }
    }
    return result;
}

}  // namespace colour_test
