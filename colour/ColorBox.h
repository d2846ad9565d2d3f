#pragma once
// A box of the colour cube: inclusive bounds per channel (0 red, 1 green,
// 2 blue), and the colours of the picture that fall inside it.

#include <algorithm>
#include <cstddef>

struct ColorBox {
    int min[3] = {0, 0, 0};
    int max[3] = {0, 0, 0};
    // The picture's colours inside the box: [first, last) of the reduction's
    // colour list. Boxes never share a colour.
    std::size_t first = 0;
    std::size_t last = 0;

    // max - min, not + 1: a box of one plane has length 0.
    int length(int axis) const { return max[axis] - min[axis]; }
    int longest_side() const { return std::max({length(0), length(1), length(2)}); }
    // Red unless green or blue is strictly longer; green unless blue is.
    int cut_axis() const {
        if (length(0) >= length(1) && length(0) >= length(2)) return 0;
        return length(1) >= length(2) ? 1 : 2;
    }
};
