#pragma once
// The picture the HEIF and AVIF test files are made of: every pixel differs
// from its neighbours and the picture has no symmetry, so any turn, mirror or
// shift of rows shows. Values are on a scale of 0 .. max.

#include <cstdint>

namespace heiftest {

struct Sample {
    int red, green, blue, alpha;
};

inline Sample test_sample(int x, int y, int width, int height, int max) {
    const int r = width > 1 ? x * max / (width - 1) : 0;
    const int g = height > 1 ? y * max / (height - 1) : 0;
    const int b = ((x * 7 + y * 13) * max / 97) % (max + 1);
    const int a = max - ((x + 2 * y) * max / (width + 2 * height));
    return {r, g, b, a};
}

// Pure P3 red and green, and two colours inside sRGB, 8 bits.
inline constexpr Sample kP3Bands[4] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {128, 0, 0, 255}, {200, 100, 50, 255}};

// A photo's four flat quadrants, 8 bits: top left, top right, bottom left,
// bottom right as stored.
inline constexpr Sample kQuadrants[4] = {
    {220, 40, 40, 255}, {40, 180, 60, 255}, {240, 200, 40, 255}, {150, 60, 200, 255}};

}  // namespace heiftest
