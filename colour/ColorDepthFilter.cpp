#include "colour/ColorDepthFilter.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "colour/ColorHistogram.h"
#include "colour/PaletteSearch.h"
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
// beyond them zero, and none for 24 bits), no grey flag. Copying the pixels
// would be wasted, since the new pixel memory replaces them.
std::unique_ptr<Image> describe_like(const Image& source, int bits) {
    auto result = std::make_unique<Image>();
    result->init_header();
    result->set_width(source.width());
    result->set_height(source.height());
    const int entries = std::min(source.max_palette_size(), 256);
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
        case 1:
            unpack_row<1>(row, width, indexes);
            break;
        case 2:
            unpack_row<2>(row, width, indexes);
            break;
        case 4:
            unpack_row<4>(row, width, indexes);
            break;
        default:
            std::memcpy(indexes, row, static_cast<std::size_t>(width));
            break;
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
    return
        [expander, width, &source, &result](int y) { expander->expand(source.scanline(y), width, result.scanline(y)); };
}

// The result is either 24 bits or indexed with more bits per pixel than the
// source; the source is 1, 2, 4 or 8 bits.
RowTransfer row_transfer(const Image& source, Image& result) {
    const int from = source.bit_count();
    if (result.bit_count() < 24) {
        const int width = result.width();
        return [from, width, &source, &result,
                indexes = std::vector<std::uint8_t>(static_cast<std::size_t>(width))](int y) mutable {
            unpack_row(from, source.scanline(y), width, indexes.data());
            result.set_index_row(y, indexes.data());
        };
    }
    switch (from) {
        case 1:
            return expand_into<ByteExpander<1>>(source, result);
        case 2:
            return expand_into<ByteExpander<2>>(source, result);
        case 4:
            return expand_into<ByteExpander<4>>(source, result);
        default:
            return expand_into<IndexExpander>(source, result);
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
    if (targetBitCount_ > bits) {
        std::unique_ptr<Image> result = increase(source, targetBitCount_);
        if (!result) return false;
        out.push_back(std::move(result));
        return true;
    }
    return reduce(source, out);
}

std::unique_ptr<Image> ColorDepthFilter::increase(const Image& source, int to) {
    const int from = source.bit_count();
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
        if (take_cancel()) return nullptr;  // the unfinished result goes with its pointer
        post_progress(colour::row_percent(y, height));
    }
    return result;
}

namespace {

int channel(std::uint32_t key, int axis) { return static_cast<int>(key >> (16 - 8 * axis) & 0xFF); }

}  // namespace

bool ColorDepthFilter::reduce(const Image& source, ImageResults& out) {
    const int bits = source.bit_count();
    // Reading the picture and writing the result go through the pixel
    // operations, which serve only these formats; refuse the rest before
    // the long work rather than at its last phase.
    if (bits != 24 && !is_index_depth(bits)) throw Image::not_support();
    if (!is_index_depth(targetBitCount_)) throw Image::not_support();

    struct Release {
        ColorDepthFilter& filter;
        ~Release() {
            std::vector<ColorBox>().swap(filter.boxes_);
            std::vector<BoxColour>().swap(filter.colours_);
        }
    } release{*this};

    std::unique_ptr<Image> result = describe_like(source, targetBitCount_);
    std::unique_ptr<Image> widened;
    const Image* picture = &source;
    if (bits != 24) {
        widened = increase(source, 24);
        if (!widened) return false;
        picture = widened.get();
    }
    {
        ColorHistogram histogram;
        if (!build_histogram(*picture, histogram)) return false;
        colours_.reserve(histogram.keys().size());
        for (const std::uint32_t key : histogram.keys()) colours_.push_back({key, histogram.count(key)});
    }
    const int made = split_boxes();
    if (made < 0) return false;
    colorCount_ = made;
    for (int i = 0; i < made; ++i) result->set_palette_color(i, average(boxes_[static_cast<std::size_t>(i)]));
    result->create();
    if (!map_pixels(*picture, *result)) return false;
    out.push_back(std::move(result));
    return true;
}

bool ColorDepthFilter::build_histogram(const Image& picture, ColorHistogram& histogram) {
    post_caption(captions::kHistogram);
    post_progress(0);
    const int width = picture.width();
    const int height = picture.height();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* px = picture.scanline(y);
        for (int x = 0; x < width; ++x, px += 3) histogram.add(ColorHistogram::key(px[2], px[1], px[0]));
        if (take_cancel()) return false;
        post_progress(colour::row_percent(y, height));
    }
    // The ranges of the colours counted are those of the pixels read.
    for (int axis = 0; axis < 3; ++axis) {
        channelMin_[axis] = 255;
        channelMax_[axis] = 0;
    }
    for (const std::uint32_t key : histogram.keys()) {
        for (int axis = 0; axis < 3; ++axis) {
            channelMin_[axis] = std::min(channelMin_[axis], channel(key, axis));
            channelMax_[axis] = std::max(channelMax_[axis], channel(key, axis));
        }
    }
    return true;
}

int ColorDepthFilter::split_boxes() {
    post_caption(captions::kPalette);
    post_progress(0);
    boxes_.assign(static_cast<std::size_t>(colorCount_), ColorBox{});
    ColorBox& whole = boxes_[0];
    for (int axis = 0; axis < 3; ++axis) {
        whole.min[axis] = channelMin_[axis];
        whole.max[axis] = channelMax_[axis];
    }
    whole.first = 0;
    whole.last = colours_.size();
    int i = 1;
    for (; i < colorCount_; ++i) {
        std::size_t chosen = 0;
        for (std::size_t j = 1; j < static_cast<std::size_t>(i); ++j)
            if (boxes_[j].longest_side() > boxes_[chosen].longest_side()) chosen = j;
        ColorBox& lower = boxes_[chosen];
        const int axis = lower.cut_axis();
        const int length = lower.length(axis);
        if (length <= 1) break;
        const int cut = lower.min[axis] + length / 2;
        // The box's colours are ordered into those below the cut and those
        // from it on; each half takes its part.
        const auto middle = std::partition(colours_.begin() + static_cast<std::ptrdiff_t>(lower.first),
                                           colours_.begin() + static_cast<std::ptrdiff_t>(lower.last),
                                           [&](const BoxColour& c) { return channel(c.key, axis) < cut; });
        ColorBox& upper = boxes_[static_cast<std::size_t>(i)];
        upper = lower;
        upper.min[axis] = cut;
        upper.first = static_cast<std::size_t>(middle - colours_.begin());
        lower.max[axis] = cut - 1;
        lower.last = upper.first;
        shrink(upper, axis * 2 + 1);
        shrink(lower, axis * 2);
        if (take_cancel()) return -1;
        post_progress(static_cast<int>(std::int64_t{100} * i / colorCount_));
    }
    return i;
}

void ColorDepthFilter::shrink(ColorBox& box, int kept_face) const {
    // Moving a face plane by plane onto the first plane holding a colour of
    // the box ends on the box's least (or greatest) value of that channel;
    // tightening the faces before it removes only empty planes, so the
    // order of the faces does not change where each one ends.
    if (box.first == box.last) return;
    int low[3] = {255, 255, 255};
    int high[3] = {0, 0, 0};
    for (std::size_t k = box.first; k < box.last; ++k) {
        const std::uint32_t key = colours_[k].key;
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], channel(key, axis));
            high[axis] = std::max(high[axis], channel(key, axis));
        }
    }
    for (int axis = 0; axis < 3; ++axis) {
        if (kept_face != axis * 2) box.min[axis] = low[axis];
        if (kept_face != axis * 2 + 1) box.max[axis] = high[axis];
    }
}

Color ColorDepthFilter::average(const ColorBox& box) const {
    // Every cell of the box weighs its pixel count, and a cell whose colour
    // does not occur weighs 1. The empty cells are summed in closed form:
    // all cells of the box, less the cells that occur.
    std::int64_t cells = 1;
    std::int64_t span[3];
    std::int64_t value_sum[3];
    for (int axis = 0; axis < 3; ++axis) {
        span[axis] = box.max[axis] - box.min[axis] + 1;
        value_sum[axis] = (std::int64_t{box.min[axis]} + box.max[axis]) * span[axis] / 2;
        cells *= span[axis];
    }
    std::int64_t weight = cells;
    std::int64_t sum[3];
    for (int axis = 0; axis < 3; ++axis) sum[axis] = value_sum[axis] * (cells / span[axis]);
    for (std::size_t k = box.first; k < box.last; ++k) {
        const BoxColour& c = colours_[k];
        weight += std::int64_t{c.count} - 1;
        for (int axis = 0; axis < 3; ++axis) sum[axis] += (std::int64_t{c.count} - 1) * channel(c.key, axis);
    }
    return Color(static_cast<int>(sum[0] / weight), static_cast<int>(sum[1] / weight),
                 static_cast<int>(sum[2] / weight));
}

namespace {

std::uint8_t saturate(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

// Adds a share of the error to one blue-green-red pixel, each channel
// held to 0..255 as a pixel of the working picture would be.
void add_share(std::uint8_t* px, const int (&error)[3], int eighths) {
    px[0] = saturate(px[0] + eighths * error[2] / 8);
    px[1] = saturate(px[1] + eighths * error[1] / 8);
    px[2] = saturate(px[2] + eighths * error[0] / 8);
}

}  // namespace

bool ColorDepthFilter::map_pixels(const Image& picture, Image& result) {
    post_progress(0);
    post_caption(captions::kMapping);
    std::vector<Color> palette;
    for (int i = 0; i < colorCount_; ++i) palette.push_back(result.palette_color(i));
    PaletteSearch search(palette);

    const int width = result.width();
    const int height = result.height();
    const std::size_t row_bytes = 3 * static_cast<std::size_t>(width);
    std::vector<std::uint8_t> indexes(static_cast<std::size_t>(width));
    // The diffused errors go into a working copy of two rows: the row being
    // mapped and the one below it. Each share is added and held to 0..255
    // on its own, in the order the pixels hand them out, as on a whole copy.
    std::vector<std::uint8_t> row(row_bytes), below(row_bytes);
    if (height > 0) std::memcpy(row.data(), picture.scanline(0), row_bytes);
    for (int y = 0; y < height; ++y) {
        const bool last_row = y + 1 == height;
        if (!errorDiffusion_) {
            const std::uint8_t* px = picture.scanline(y);
            for (int x = 0; x < width; ++x, px += 3)
                indexes[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(search.nearest(px[2], px[1], px[0]));
        } else {
            if (!last_row) std::memcpy(below.data(), picture.scanline(y + 1), row_bytes);
            for (int x = 0; x < width; ++x) {
                std::uint8_t* px = row.data() + 3 * static_cast<std::size_t>(x);
                const int index = search.nearest(px[2], px[1], px[0]);
                indexes[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(index);
                const Color& chosen = palette[static_cast<std::size_t>(index)];
                const int error[3] = {px[2] - chosen.red, px[1] - chosen.green, px[0] - chosen.blue};
                if (error[0] == 0 && error[1] == 0 && error[2] == 0) continue;
                // Shares that fall outside the picture land on its nearest
                // pixel; those landing on pixels already mapped are dropped.
                const bool last_column = x + 1 == width;
                std::uint8_t* right = last_column ? nullptr : px + 3;
                std::uint8_t* down = last_row ? nullptr : below.data() + 3 * static_cast<std::size_t>(x);
                std::uint8_t* down_right =
                    last_row ? right : below.data() + 3 * static_cast<std::size_t>(last_column ? x : x + 1);
                if (right) add_share(right, error, 3);
                if (down) add_share(down, error, 3);
                if (down_right) add_share(down_right, error, 2);
            }
            row.swap(below);
        }
        result.set_index_row(y, indexes.data());
        if (take_cancel()) {
            result.clear();
            return false;
        }
        post_progress(colour::row_percent(y, height));
    }
    return true;
}
