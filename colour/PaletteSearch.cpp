#include "colour/PaletteSearch.h"

#include <algorithm>

namespace {

int square(int d) { return d * d; }

// Squared distance from c to the nearest and to the farthest value of [lo, hi].
int near_square(int c, int lo, int hi) { return c < lo ? square(lo - c) : c > hi ? square(c - hi) : 0; }
int far_square(int c, int lo, int hi) { return std::max(square(c - lo), square(hi - c)); }

}  // namespace

PaletteSearch::PaletteSearch(const std::vector<Color>& palette)
    : start_(kCellsPerSide * kCellsPerSide * kCellsPerSide, kUnlisted),
      size_(kCellsPerSide * kCellsPerSide * kCellsPerSide, 0) {
    for (const Color& c : palette) {
        red_.push_back(c.red);
        green_.push_back(c.green);
        blue_.push_back(c.blue);
    }
}

void PaletteSearch::list_cell(int cell, int red, int green, int blue) {
    constexpr int kSide = 1 << kCellBits;
    const int r0 = red & ~(kSide - 1), g0 = green & ~(kSide - 1), b0 = blue & ~(kSide - 1);
    const int r1 = r0 + kSide - 1, g1 = g0 + kSide - 1, b1 = b0 + kSide - 1;
    const std::size_t n = red_.size();
    int bound = INT32_MAX;
    for (std::size_t i = 0; i < n; ++i)
        bound =
            std::min(bound, far_square(red_[i], r0, r1) + far_square(green_[i], g0, g1) + far_square(blue_[i], b0, b1));
    start_[cell] = static_cast<std::uint32_t>(candidates_.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (near_square(red_[i], r0, r1) + near_square(green_[i], g0, g1) + near_square(blue_[i], b0, b1) <= bound)
            candidates_.push_back(static_cast<std::uint8_t>(i));
    }
    size_[cell] = static_cast<std::uint16_t>(candidates_.size() - start_[cell]);
}

int PaletteSearch::nearest(int red, int green, int blue) {
    const int cell = ((red >> kCellBits) * kCellsPerSide + (green >> kCellBits)) * kCellsPerSide + (blue >> kCellBits);
    if (start_[cell] == kUnlisted) list_cell(cell, red, green, blue);
    const std::uint8_t* entry = candidates_.data() + start_[cell];
    const std::uint8_t* const end = entry + size_[cell];
    int best = 0;
    int best_distance = INT32_MAX;
    for (; entry != end; ++entry) {
        const int i = *entry;
        const int d = square(red - red_[i]) + square(green - green_[i]) + square(blue - blue_[i]);
        if (d < best_distance) {
            best_distance = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}
