#include "image/Image.h"

#include <algorithm>
#include <cstring>
#include <utility>

long long ipow(long long base, int exp) {
    if (exp < 0) {
        const long long p = ipow(base, -exp);
        return p == 0 ? 0 : 1 / p;
    }
    long long result = 1;
    while (exp > 0) {
        if (exp & 1) result *= base;
        base *= base;
        exp >>= 1;
    }
    return result;
}

namespace {

// Bytes per stored row, or 0 when the geometry is unusable. A partly used
// last byte counts for every bit count, not only below 8: 12 bits x 3 would
// otherwise get 4 bytes for a row of 4.5. The 1, 2, 4, 8, 16, 24 and 32-bit
// strides are the usual ones. Computed in 64 bits: the header's widest row,
// 65535 bits x (2^31 - 1), stays below 2^47.
std::int64_t row_stride(std::int64_t width, std::int64_t bits) {
    if (width < 1 || bits < 1) return 0;
    const std::int64_t used = (bits * width + 7) / 8;
    return (used + 3) & ~std::int64_t{3};
}

bool serves_index(int bits) { return bits == 1 || bits == 2 || bits == 4 || bits == 8; }

// Number of bits in a row that hold pixels.
std::size_t used_bits(int width, int bits) { return static_cast<std::size_t>(width) * static_cast<std::size_t>(bits); }

}  // namespace

Image::Image(const Image& source) { assign(source); }

Image& Image::operator=(const Image& source) {
    assign(source);
    return *this;
}

Image::Image(Image&& source) noexcept
    : header_(std::move(source.header_)),
      bitmap_(std::move(source.bitmap_)),
      stride_(std::exchange(source.stride_, 0)),
      grayscale_(std::exchange(source.grayscale_, false)) {}

Image& Image::operator=(Image&& source) noexcept {
    if (&source != this) {
        release_bitmap();
        bitmap_ = std::move(source.bitmap_);
        header_ = std::move(source.header_);
        stride_ = std::exchange(source.stride_, 0);
        grayscale_ = std::exchange(source.grayscale_, false);
    }
    return *this;
}

Image::~Image() {
    release_bitmap();
    header_.reset();
}

void Image::clear() {
    release_bitmap();
    header_.reset();
}

void Image::init_header() {
    header_ = std::make_unique<BitmapInfo>();
    header_->bmiHeader.biSize = sizeof(BitmapInfoHeader);
    header_->bmiHeader.biPlanes = 1;
    header_->bmiHeader.biCompression = 0;
}

void Image::create() {
    if (!header_) throw exec_error(messages::kNoImageMemory);
    const std::int64_t stride = row_stride(width(), bit_count());
    const std::int64_t rows = height();
    // Divided rather than multiplied: stride x rows can pass 64 bits and wrap.
    const bool fits = stride > 0 && rows >= 1 &&
                      static_cast<std::uint64_t>(stride) <= kMaxImageBytes / static_cast<std::uint64_t>(rows);
    stride_ = fits ? static_cast<int>(stride) : 0;
    header_->bmiHeader.biSizeImage = fits ? static_cast<std::uint32_t>(stride * rows) : 0;
    release_bitmap();
    if (!fits) throw exec_error(messages::kNoImageMemory);
    // Zeroed like a fresh bitmap section; large blocks come as untouched pages.
    bitmap_.reset(static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(stride * rows), 1)));
    if (!bitmap_) throw exec_error(messages::kNoImageMemory);
}

bool Image::is_created() const { return bitmap_ != nullptr; }
int Image::width() const { return header_ ? header_->bmiHeader.biWidth : 0; }
int Image::height() const { return header_ ? header_->bmiHeader.biHeight : 0; }
int Image::bit_count() const { return header_ ? header_->bmiHeader.biBitCount : 0; }
int Image::stride() const { return stride_; }
std::uint32_t Image::image_size() const { return header_ ? header_->bmiHeader.biSizeImage : 0; }
bool Image::is_grayscale() const { return grayscale_; }
std::uint8_t* Image::bitmap() const { return bitmap_.get(); }

void Image::set_width(int width) {
    if (!header_) throw exec_error(messages::kExecError);
    header_->bmiHeader.biWidth = width;
}

void Image::set_height(int height) {
    if (!header_) throw exec_error(messages::kExecError);
    header_->bmiHeader.biHeight = height;
}

void Image::set_bit_count(int bits) {
    if (!header_) throw exec_error(messages::kExecError);
    header_->bmiHeader.biBitCount = static_cast<std::uint16_t>(bits);
    header_->bmiHeader.biClrUsed = bits <= 8 ? static_cast<std::uint32_t>(ipow(2, bits)) : 0;
}

void Image::set_grayscale(bool grayscale) {
    if (!grayscale) {
        grayscale_ = false;
        return;
    }
    if (!header_) throw exec_error(messages::kExecError);
    if (bit_count() == 24) set_bit_count(8);
    const int bits = bit_count();
    // A ramp exists only for the indexed formats.
    if (!serves_index(bits)) throw not_support();
    grayscale_ = true;
    const int levels = static_cast<int>(ipow(2, bits));
    const int step = static_cast<int>(255.0 / (levels - 1));
    for (int i = 0; i < levels; ++i) {
        const int level = i * step;
        set_palette_color(i, Color(level, level, level));
    }
    create();
}

void Image::check_indexed() const {
    if (!bitmap_ || !serves_index(bit_count())) throw not_support();
}

void Image::check_direct() const {
    if (!bitmap_ || bit_count() != 24) throw not_support();
}

Color Image::get_color(Point p, bool strict) const {
    if (strict) {
        check_direct();
        p.x = std::clamp(p.x, 0, width() - 1);
        p.y = std::clamp(p.y, 0, height() - 1);
    }
    const std::uint8_t* px = bitmap_.get() + row_offset(p.y) + 3 * static_cast<std::size_t>(p.x);
    return Color(px[2], px[1], px[0]);
}

void Image::set_color(Point p, Color c, bool strict) {
    if (strict) {
        check_direct();
        p.x = std::clamp(p.x, 0, width() - 1);
        p.y = std::clamp(p.y, 0, height() - 1);
    }
    std::uint8_t* px = bitmap_.get() + row_offset(p.y) + 3 * static_cast<std::size_t>(p.x);
    px[0] = c.blue;
    px[1] = c.green;
    px[2] = c.red;
}

int Image::get_index(Point p, bool strict) const {
    if (strict) {
        check_indexed();
        if (!contains(p)) return 0;
    }
    const int bits = bit_count();
    const std::size_t bit = static_cast<std::size_t>(p.x) * static_cast<std::size_t>(bits);
    const std::uint8_t byte = bitmap_.get()[row_offset(p.y) + bit / 8];
    const int shift = 8 - static_cast<int>(bit % 8) - bits;
    return (byte >> shift) & ((1 << bits) - 1);
}

void Image::set_index(Point p, int value, bool strict) {
    if (strict) {
        check_indexed();
        if (!contains(p)) return;
    }
    const int bits = bit_count();
    const std::size_t bit = static_cast<std::size_t>(p.x) * static_cast<std::size_t>(bits);
    std::uint8_t& byte = bitmap_.get()[row_offset(p.y) + bit / 8];
    const int shift = 8 - static_cast<int>(bit % 8) - bits;
    const int mask = (1 << bits) - 1;
    // The value is not masked: callers pass 0 .. 2^bits - 1.
    byte = static_cast<std::uint8_t>((byte & ~(mask << shift)) | (value << shift));
}

void Image::add_color(Point p, int dr, int dg, int db) {
    const Color c = get_color(p, true);
    set_color(p, Color(c.red + dr, c.green + dg, c.blue + db), true);
}

Color Image::palette_color(int i) const {
    if (!header_ || i < 0 || i > 255) return Color();
    const RgbQuad& q = header_->bmiColors[i];
    return Color(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

void Image::set_palette_color(int i, Color c) {
    if (!header_) throw exec_error(messages::kExecError);
    if (i < 0 || i > 255) return;
    RgbQuad& q = header_->bmiColors[i];
    q.rgbRed = c.red;
    q.rgbGreen = c.green;
    q.rgbBlue = c.blue;
}

std::uint32_t Image::palette_size() const { return header_ ? header_->bmiHeader.biClrUsed : 0; }

int Image::max_palette_size() const {
    const int bits = bit_count();
    return bits <= 8 ? static_cast<int>(ipow(2, bits)) : 0;
}

void Image::assign(const Image& source) {
    if (!source.is_created()) throw exec_error(messages::kExecError);
    // Clearing first would destroy the source.
    if (&source == this) return;
    try {
        clear();
        init_header();
        set_width(source.width());
        set_height(source.height());
        set_bit_count(source.bit_count());
        set_grayscale(source.is_grayscale());
        const std::uint32_t entries = std::min<std::uint32_t>(palette_size(), 256);
        for (std::uint32_t i = 0; i < entries; ++i) {
            set_palette_color(static_cast<int>(i), source.palette_color(static_cast<int>(i)));
        }
        create();
        // The pixel copy reads strictly, so it refuses the same formats the
        // per-pixel copy would; the pixels themselves are copied row by row.
        if (bit_count() < 24) {
            source.check_indexed();
        } else {
            source.check_direct();
        }
        const std::size_t bytes = (used_bits(width(), bit_count()) + 7) / 8;
        for (int y = 0; y < height(); ++y) {
            std::memcpy(scanline(y), source.scanline(y), bytes);
        }
        clear_row_padding();
    } catch (const myexception& e) {
        clear();
        throw myexception(e.what());
    }
}

void Image::release_bitmap() { bitmap_.reset(); }

bool Image::contains(Point p) const { return p.x >= 0 && p.x < width() && p.y >= 0 && p.y < height(); }

std::uint8_t* Image::scanline(int y) {
    if (!bitmap_ || y < 0 || y >= height()) return nullptr;
    return bitmap_.get() + row_offset(y);
}

const std::uint8_t* Image::scanline(int y) const {
    if (!bitmap_ || y < 0 || y >= height()) return nullptr;
    return bitmap_.get() + row_offset(y);
}

void Image::set_index_row(int y, const std::uint8_t* indexes) {
    check_indexed();
    std::uint8_t* row = scanline(y);
    if (!row) return;
    const int bits = bit_count();
    const int w = width();
    if (bits == 8) {
        std::memcpy(row, indexes, static_cast<std::size_t>(w));
        return;
    }
    // The same read-modify-write as set_index, pixel after pixel, so that
    // out-of-range values spill into their neighbours exactly as there.
    const int mask = (1 << bits) - 1;
    for (int x = 0; x < w; ++x) {
        const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bits);
        std::uint8_t& byte = row[bit / 8];
        const int shift = 8 - static_cast<int>(bit % 8) - bits;
        byte = static_cast<std::uint8_t>((byte & ~(mask << shift)) | (indexes[x] << shift));
    }
}

void Image::set_color_row(int y, const std::uint8_t* bgr) {
    check_direct();
    std::uint8_t* row = scanline(std::clamp(y, 0, height() - 1));
    std::memcpy(row, bgr, 3 * static_cast<std::size_t>(width()));
}

void Image::clear_row_padding() {
    if (!bitmap_) return;
    const std::size_t bits = used_bits(width(), bit_count());
    const std::size_t full = bits / 8;
    const int partial = static_cast<int>(bits % 8);
    const std::size_t row_bytes = static_cast<std::size_t>(stride_);
    std::uint8_t* row = bitmap_.get();
    for (int r = 0; r < height(); ++r, row += row_bytes) {
        std::size_t from = full;
        if (partial != 0 && full < row_bytes) {
            row[full] &= static_cast<std::uint8_t>(0xFF << (8 - partial));
            ++from;
        }
        if (from < row_bytes) std::memset(row + from, 0, row_bytes - from);
    }
}
