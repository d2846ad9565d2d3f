#include "colour/ColorDepthFilter.h"

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "colour/RowProgress.h"
#include "image/Image.h"
#include "image/Messages.h"

namespace {

// 2 to the power bits as an int, saturated at both ends.
int colours_held(int bits) {
    if (bits <= 0) return 1;
    if (bits >= 31) return INT_MAX;
    return 1 << bits;
}

bool is_index_depth(int bits) { return bits == 1 || bits == 2 || bits == 4 || bits == 8; }

// What copying the source and then changing its bit count leaves in the
// header: size, the source's palette entries for its own depth (entries
// beyond them zero), no grey flag. Copying the pixels would be wasted, since
// the new pixel memory replaces them.
std::unique_ptr<Image> describe_like(const Image& source, int bits) {
    auto result = std::make_unique<Image>();
    result->init_header();
    result->set_width(source.width());
    result->set_height(source.height());
    const int entries = colours_held(source.bit_count());
    for (int i = 0; i < entries; ++i) result->set_palette_color(i, source.palette_color(i));
    result->set_bit_count(bits);
    return result;
}

// The indexes of a packed row of Bits-bit pixels, one per byte.
template <int Bits>
void unpack_row(const std::uint8_t* row, int width, std::uint8_t* indexes) {
    constexpr int kPerByte = 8 / Bits;
    constexpr int kMask = (1 << Bits) - 1;
    for (int x = 0; x < width; ++x) {
        const int shift = 8 - (x % kPerByte + 1) * Bits;
        indexes[x] = static_cast<std::uint8_t>((row[x / kPerByte] >> shift) & kMask);
    }
}

void unpack_row(int bits, const std::uint8_t* row, int width, std::uint8_t* indexes) {
    switch (bits) {
    case 1: unpack_row<1>(row, width, indexes); break;
    case 2: unpack_row<2>(row, width, indexes); break;
    case 4: unpack_row<4>(row, width, indexes); break;
    default: std::memcpy(indexes, row, static_cast<std::size_t>(width)); break;
    }
}

// Turns rows of Bits-bit indexes into blue-green-red rows. Every possible
// source byte maps to the colours of all the pixels it packs, so a row
// costs one lookup and one fixed-size copy per source byte.
template <int Bits>
class ByteExpander {
public:
    static constexpr int kPerByte = 8 / Bits;
    static constexpr int kBytesOut = 3 * kPerByte;

    explicit ByteExpander(const Image& source) {
        constexpr int kMask = (1 << Bits) - 1;
        for (int value = 0; value < 256; ++value) {
            for (int k = 0; k < kPerByte; ++k) {
                const Color c = source.palette_color((value >> (8 - (k + 1) * Bits)) & kMask);
                std::uint8_t* px = table_[value].data() + 3 * k;
                px[0] = c.blue;
                px[1] = c.green;
                px[2] = c.red;
            }
        }
    }

    void expand(const std::uint8_t* row, int width, std::uint8_t* out) const {
        const int whole = width / kPerByte;
        for (int i = 0; i < whole; ++i, out += kBytesOut) std::memcpy(out, table_[row[i]].data(), kBytesOut);
        // The last byte may hold fewer pixels; its other bits are padding.
        const int rest = width % kPerByte;
        if (rest != 0) std::memcpy(out, table_[row[whole]].data(), 3 * static_cast<std::size_t>(rest));
    }

private:
    std::array<std::array<std::uint8_t, kBytesOut>, 256> table_{};
};

// 8-bit indexes: one colour per byte, stored four bytes wide so that each
// pixel is a single store; the next pixel overwrites the spare byte, and the
// last pixel is stored three bytes wide so the row padding stays untouched.
class IndexExpander {
public:
    explicit IndexExpander(const Image& source) {
        for (int i = 0; i < 256; ++i) {
            const Color c = source.palette_color(i);
            const std::uint8_t bgr0[4] = {c.blue, c.green, c.red, 0};
            std::memcpy(&table_[i], bgr0, 4);
        }
    }

    void expand(const std::uint8_t* row, int width, std::uint8_t* out) const {
        for (int x = 0; x + 1 < width; ++x, out += 3) std::memcpy(out, &table_[row[x]], 4);
        std::memcpy(out, &table_[row[width - 1]], 3);
    }

private:
    std::array<std::uint32_t, 256> table_{};
};

// Writes picture row y of the result from the same row of the source.
using RowTransfer = std::function<void(int y)>;

template <class Expander>
RowTransfer expand_into(const Image& source, Image& result) {
    auto expander = std::make_shared<const Expander>(source);
    const int width = result.width();
    return [expander, width, &source, &result](int y) {
        expander->expand(source.scanline(y), width, result.scanline(y));
    };
}

// The result is either 24 bits or indexed with more bits per pixel than the
// source; the source is 1, 2, 4 or 8 bits.
RowTransfer row_transfer(const Image& source, Image& result) {
    const int from = source.bit_count();
    if (result.bit_count() < 24) {
        const int width = result.width();
        return [from, width, &source, &result, indexes = std::vector<std::uint8_t>(static_cast<std::size_t>(width))](
                   int y) mutable {
            unpack_row(from, source.scanline(y), width, indexes.data());
            result.set_index_row(y, indexes.data());
        };
    }
    switch (from) {
    case 1: return expand_into<ByteExpander<1>>(source, result);
    case 2: return expand_into<ByteExpander<2>>(source, result);
    case 4: return expand_into<ByteExpander<4>>(source, result);
    default: return expand_into<IndexExpander>(source, result);
    }
}

}  // namespace

ColorDepthFilter::ColorDepthFilter(int target_bit_count, int color_count, bool error_diffusion)
    : targetBitCount_(target_bit_count),
      colorCount_(color_count <= 0 || color_count > colours_held(target_bit_count) ? colours_held(target_bit_count)
                                                                                    : color_count),
      errorDiffusion_(error_diffusion) {}

ColorDepthFilter::~ColorDepthFilter() = default;

bool ColorDepthFilter::execute(ImageList::const_iterator first, ImageList::const_iterator last, ImageResults& out) {
    if (first == last || *first == nullptr) throw exec_error(messages::kExecError);
    const Image& source = **first;
    if (!source.is_created()) throw Image::not_support();
    const int bits = source.bit_count();
    if (targetBitCount_ == bits && bits >= 24) {
        out.push_back(std::make_unique<Image>(source));
        return true;
    }
    if (targetBitCount_ > bits) return increase(source, out);
    // Lowering the depth, or re-quantising a palette picture at its own
    // depth, needs the palette reduction, which this build does not have.
    throw Image::not_support();
}

bool ColorDepthFilter::increase(const Image& source, ImageResults& out) {
    const int from = source.bit_count();
    const int to = targetBitCount_;
    if (!source.is_created() || from >= to || from >= 24) throw exec_error(messages::kExecError);
    // Copying the source reads its indexes strictly, which only these
    // depths allow.
    if (!is_index_depth(from)) throw Image::not_support();
    post_caption(captions::kIncreasingColours);
    // Only the indexed depths and 24 bits have pixel operations to write the
    // result with; refuse the rest before allocating anything.
    if (to != 24 && !is_index_depth(to)) throw Image::not_support();

    std::unique_ptr<Image> result = describe_like(source, to);
    result->create();

    const int height = result->height();
    const RowTransfer transfer = row_transfer(source, *result);
    for (int y = 0; y < height; ++y) {
        transfer(y);
        if (take_cancel()) return false;  // the unfinished result goes with its pointer
        post_progress(colour::row_percent(y, height));
    }
    out.push_back(std::move(result));
    return true;
}
