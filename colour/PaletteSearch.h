#pragma once
// The nearest palette entry to a colour by the sum of squared channel
// differences, the lowest index winning among equals: what a linear scan of
// the palette with a strictly-smaller test gives, without scanning it all.
//
// The cube is cut into cells. For each cell that a colour falls into, the
// entries that can be nearest to some point of it are listed once, in index
// order: those whose nearest possible distance to the cell is not above the
// smallest farthest distance any entry has to it. Every entry at the least
// distance from a point of the cell is on that list, so scanning the list in
// index order gives the same answer as scanning the whole palette.

#include <cstdint>
#include <vector>

#include "image/Color.h"

class PaletteSearch {
public:
    // At most 256 entries.
    explicit PaletteSearch(const std::vector<Color>& palette);

    int nearest(int red, int green, int blue);

private:
    static constexpr int kCellBits = 3;
    static constexpr int kCellsPerSide = 256 >> kCellBits;
    static constexpr std::uint32_t kUnlisted = UINT32_MAX;

    void list_cell(int cell, int red, int green, int blue);

    std::vector<int> red_, green_, blue_;
    // Per cell, where its list starts in candidates_ (kUnlisted until a
    // colour falls into it) and how long it is.
    std::vector<std::uint32_t> start_;
    std::vector<std::uint16_t> size_;
    std::vector<std::uint8_t> candidates_;
};
