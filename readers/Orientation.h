#pragma once
// Puts decoded rows into an image turned by an orientation as EXIF and TIFF
// number them (1 upright to 8), so that every reader turns its pictures the
// same way.

#include <cstddef>
#include <cstdint>

class Image;

class OrientedRows {
public:
    // True for the orientations that swap width and height (5 to 8).
    static bool swaps_sides(int orientation) { return orientation >= 5 && orientation <= 8; }

    // The image already has its turned size and its pixel memory; the
    // decoded picture is width x height pixels of `pixel` bytes (1 grey,
    // 3 blue-green-red). An orientation outside 1 to 8 counts as upright.
    OrientedRows(Image& image, int orientation, int width, int height, int pixel);

    // Places decoded rows first .. first + count - 1, `step` bytes apart from
    // `rows` on. One byte past the last pixel of every row may be read, so
    // the last row needs that byte of padding. Turned pictures are written
    // fastest in strips of some dozens of rows.
    void place(int first, int count, const std::uint8_t* rows, std::ptrdiff_t step);

private:
    Image& image_;
    int orientation_;
    int width_;
    int height_;
    int pixel_;
};
