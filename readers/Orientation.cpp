#include "readers/Orientation.h"

#include <algorithm>
#include <cstring>

#include "image/Image.h"
#include "platform/LargePages.h"

namespace {

// One pixel as a 4-byte word: the spare byte lands on the next pixel,
// which is written after it.
inline void move_word(std::uint8_t* to, const std::uint8_t* from) {
    std::uint32_t word;
    std::memcpy(&word, from, 4);
    std::memcpy(to, &word, 4);
}

// Eight pixels, from_step bytes apart in the strip, side by side at to.
inline void move_eight(std::uint8_t* to, const std::uint8_t* from, std::ptrdiff_t from_step) {
    move_word(to, from);
    move_word(to + 3, from + from_step);
    move_word(to + 6, from + 2 * from_step);
    move_word(to + 9, from + 3 * from_step);
    move_word(to + 12, from + 4 * from_step);
    move_word(to + 15, from + 5 * from_step);
    move_word(to + 18, from + 6 * from_step);
    move_word(to + 21, from + 7 * from_step);
}

// Writes `count` blue-green-red pixels, from_step bytes apart, side by side
// at to; the last one as three bytes, so nothing past the run is touched.
inline void gather_colour(std::uint8_t* to, const std::uint8_t* from, std::ptrdiff_t from_step, std::ptrdiff_t count) {
    const std::ptrdiff_t last = count - 1;
    std::ptrdiff_t k = 0;
    for (; k + 8 <= last; k += 8) move_eight(to + 3 * k, from + k * from_step, from_step);
    if (k < last && last >= 8) {
        // The eight before the last pixel again: those already written get
        // the same bytes.
        move_eight(to + 3 * (last - 8), from + (last - 8) * from_step, from_step);
    } else {
        for (; k < last; ++k) move_word(to + 3 * k, from + k * from_step);
    }
    std::memcpy(to + 3 * last, from + last * from_step, 3);
}

// Copies a row of pixels in reverse order.
void mirror(const std::uint8_t* from, int width, int pixel, std::uint8_t* to) {
    if (pixel == 1) {
        std::reverse_copy(from, from + width, to);
    } else {
        gather_colour(to, from + 3 * (static_cast<std::ptrdiff_t>(width) - 1), -3, width);
    }
}

// Asks for the image row a turn will write kAhead columns later: its cache
// lines come from memory while the rows before it are written.
constexpr std::ptrdiff_t kAhead = 24;

inline void fetch_ahead(std::uint8_t* run, std::ptrdiff_t bytes) {
    for (std::ptrdiff_t b = 0; b < bytes; b += 64) __builtin_prefetch(run + b, 1);
    __builtin_prefetch(run + bytes - 1, 1);
}

// Turns a strip of `rows` decoded rows, from_step bytes apart, into image
// rows: the decoded column at from + i * column_step becomes the run of
// pixels at to + i * to_step. The image rows are walked in rising addresses.
void turn_grey(const std::uint8_t* from, std::ptrdiff_t column_step, std::ptrdiff_t from_step, int rows, int columns,
               std::uint8_t* to, std::ptrdiff_t to_step) {
    for (std::ptrdiff_t i = 0; i < columns; ++i) {
        const std::uint8_t* s = from + i * column_step;
        std::uint8_t* d = to + i * to_step;
        if (i + kAhead < columns) fetch_ahead(d + kAhead * to_step, rows);
        for (std::ptrdiff_t k = 0; k < rows; ++k) d[k] = s[k * from_step];
    }
}

// The same for blue-green-red pixels; the strip has padding for the word
// read past its last pixel.
void turn_colour(const std::uint8_t* from, std::ptrdiff_t column_step, std::ptrdiff_t from_step, int rows, int columns,
                 std::uint8_t* to, std::ptrdiff_t to_step) {
    for (std::ptrdiff_t i = 0; i < columns; ++i) {
        std::uint8_t* d = to + i * to_step;
        if (i + kAhead < columns) fetch_ahead(d + kAhead * to_step, 3 * static_cast<std::ptrdiff_t>(rows));
        gather_colour(d, from + i * column_step, from_step, rows);
    }
}

}  // namespace

OrientedRows::OrientedRows(Image& image, int orientation, int width, int height, int pixel)
    : image_(image),
      orientation_(orientation >= 1 && orientation <= 8 ? orientation : 1),
      width_(width),
      height_(height),
      pixel_(pixel) {
    // Every strip of a turned picture writes a short run into every image
    // row, each on a small page of its own: large pages turn one page fault
    // per 4 KB, taken in scattered order, and an address-cache miss per run
    // into a few dozen faults and few misses.
    if (swaps_sides(orientation_)) platform::PreferLargePages(image.bitmap(), image.image_size());
}

void OrientedRows::place(int first, int count, const std::uint8_t* rows, std::ptrdiff_t step) {
    if (count <= 0) return;
    const std::ptrdiff_t pixel = pixel_;
    if (!swaps_sides(orientation_)) {
        const bool mirrored = orientation_ == 2 || orientation_ == 3;
        const bool upside_down = orientation_ == 3 || orientation_ == 4;
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* from = rows + i * step;
            const int y = first + i;
            std::uint8_t* to = image_.scanline(upside_down ? height_ - 1 - y : y);
            if (mirrored) {
                mirror(from, width_, pixel_, to);
            } else {
                std::memcpy(to, from, static_cast<std::size_t>(width_) * static_cast<std::size_t>(pixel));
            }
        }
        return;
    }
    // Decoded column x is image row x (orientations 5 and 6) or w - 1 - x;
    // decoded row y is image column y (5 and 8) or h - 1 - y. The image rows
    // are written from the lowest in memory (the bottom one) up, so the walk
    // over the decoded columns starts at the one that becomes the bottom row,
    // and each decoded column becomes one run of pixels written in rising
    // addresses: a reversed run starts from the strip's last row.
    const bool columns_reversed = orientation_ == 7 || orientation_ == 8;
    const bool rows_reversed = orientation_ == 6 || orientation_ == 7;
    const int first_column = columns_reversed ? 0 : width_ - 1;
    const std::ptrdiff_t column_step = columns_reversed ? pixel : -pixel;
    const int column = rows_reversed ? height_ - first - count : first;
    const std::uint8_t* from = rows_reversed ? rows + (count - 1) * step : rows;
    const std::ptrdiff_t from_step = rows_reversed ? -step : step;
    from += first_column * pixel;
    std::uint8_t* to = image_.scanline(width_ - 1) + column * pixel;
    if (pixel == 1) {
        turn_grey(from, column_step, from_step, count, width_, to, image_.stride());
    } else {
        turn_colour(from, column_step, from_step, count, width_, to, image_.stride());
    }
}
