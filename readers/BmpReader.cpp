#include "readers/BmpReader.h"

#include <algorithm>
#include <limits>

#include "readers/ReaderLimits.h"

namespace {

constexpr std::uint16_t kTypeBM = 0x4D42;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kTableEntries = 256;

// A little-endian field of N bytes in one stream read.
template <int N>
std::uint32_t read_field(std::istream& in) {
    unsigned char bytes[N] = {};
    in.read(reinterpret_cast<char*>(bytes), N);
    if (in.fail() || in.bad()) throw file_error(messages::kFileError);
    std::uint32_t value = 0;
    for (int i = 0; i < N; ++i) value |= std::uint32_t{bytes[i]} << (8 * i);
    return value;
}

std::uint8_t read_byte(std::istream& in) {
    const auto c = in.get();
    if (in.fail() || in.bad()) throw file_error(messages::kFileError);
    return static_cast<std::uint8_t>(c);
}

// Reads and drops count bytes; false when the stream ends first.
bool skip(std::istream& in, std::uint64_t count) {
    constexpr auto chunk = static_cast<std::uint64_t>(std::numeric_limits<std::streamsize>::max() / 2);
    while (count > 0) {
        const std::uint64_t part = std::min(count, chunk);
        in.ignore(static_cast<std::streamsize>(part));
        if (static_cast<std::uint64_t>(in.gcount()) != part) return false;
        count -= part;
    }
    return true;
}

bool supported_bits(int bits) { return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 24; }

// A bit count that is a bitmap's but has no pixel path here.
constexpr int kUnsupportedBits = 32;

}  // namespace

void BmpReader::decode(Image& image, std::istream& in) {
    image_ = &image;
    image.init_header();
    info_ = std::make_unique<BitmapInfo>();
    read_headers(in);
    const BitmapInfoHeader& h = info_->bmiHeader;
    image.set_width(h.biWidth);
    image.set_height(h.biHeight);
    image.set_bit_count(h.biBitCount);
    read_palette(in);
    image.create();
    read_pixels(in);
    free_buffers();
}

void BmpReader::free_buffers() {
    info_.reset();
    file_header_.reset();
}

void BmpReader::read_headers(std::istream& in) {
    file_header_ = std::make_unique<BitmapFileHeader>();
    BitmapFileHeader& f = *file_header_;
    f.bfType = static_cast<std::uint16_t>(read_field<2>(in));
    f.bfSize = read_field<4>(in);
    f.bfReserved1 = static_cast<std::uint16_t>(read_field<2>(in));
    f.bfReserved2 = static_cast<std::uint16_t>(read_field<2>(in));
    f.bfOffBits = read_field<4>(in);
    if (f.bfType != kTypeBM) throw Image::format_error();

    BitmapInfoHeader& h = info_->bmiHeader;
    h.biSize = read_field<4>(in);
    // A core header is refused as such, even in a file too short to hold
    // the 40 bytes read below.
    if (h.biSize < kInfoHeaderSize) throw Image::format_error();
    h.biWidth = static_cast<std::int32_t>(read_field<4>(in));
    h.biHeight = static_cast<std::int32_t>(read_field<4>(in));
    h.biPlanes = static_cast<std::uint16_t>(read_field<2>(in));
    h.biBitCount = static_cast<std::uint16_t>(read_field<2>(in));
    h.biCompression = read_field<4>(in);
    h.biSizeImage = read_field<4>(in);
    h.biXPelsPerMeter = static_cast<std::int32_t>(read_field<4>(in));
    h.biYPelsPerMeter = static_cast<std::int32_t>(read_field<4>(in));
    h.biClrUsed = read_field<4>(in);
    h.biClrImportant = read_field<4>(in);

    if (h.biClrUsed == 0 && h.biBitCount <= 8) h.biClrUsed = static_cast<std::uint32_t>(ipow(2, h.biBitCount));
    // Every field is checked before anything is allocated or any pixel read:
    // compressed, top-down and empty bitmaps and unknown bit counts are
    // format errors, a 32-bit bitmap is not supported, and a picture past
    // the reader limits is refused for its memory.
    if (h.biCompression != 0) throw Image::format_error();
    if (h.biHeight < 0) throw Image::format_error();
    if (h.biHeight == 0 || h.biWidth < 1) throw Image::format_error();
    if (h.biBitCount == kUnsupportedBits) throw Image::not_support();
    if (!supported_bits(h.biBitCount)) throw Image::format_error();
    reader_limits::check_size(static_cast<std::uint64_t>(h.biWidth), static_cast<std::uint64_t>(h.biHeight),
                              h.biBitCount);
    if (h.biSize > kInfoHeaderSize && !skip(in, h.biSize - kInfoHeaderSize)) throw file_error(messages::kFileError);
}

void BmpReader::read_palette(std::istream& in) {
    const BitmapInfoHeader& h = info_->bmiHeader;
    const std::uint32_t kept = std::min(h.biClrUsed, kTableEntries);
    for (std::uint32_t i = 0; i < kept; ++i) {
        RgbQuad& q = info_->bmiColors[i];
        q.rgbBlue = read_byte(in);
        q.rgbGreen = read_byte(in);
        q.rgbRed = read_byte(in);
        q.rgbReserved = read_byte(in);
    }
    // Entries past the table's 256 are read and dropped.
    if (h.biClrUsed > kTableEntries && !skip(in, 4 * std::uint64_t{h.biClrUsed - kTableEntries})) {
        throw file_error(messages::kFileError);
    }
    if (h.biBitCount <= 8) {
        // Entries the file does not give stay black.
        const int entries = static_cast<int>(ipow(2, h.biBitCount));
        for (int i = 0; i < entries; ++i) {
            const RgbQuad& q = info_->bmiColors[i];
            image_->set_palette_color(i, Color(q.rgbRed, q.rgbGreen, q.rgbBlue));
        }
    }
    const std::uint64_t consumed =
        std::uint64_t{kFileHeaderSize} + std::max(h.biSize, kInfoHeaderSize) + 4 * std::uint64_t{h.biClrUsed};
    if (file_header_->bfOffBits > consumed && !skip(in, file_header_->bfOffBits - consumed)) {
        throw file_error(messages::kFileError);
    }
}

Color BmpReader::pixel_color(Point p) const {
    const std::size_t start = static_cast<std::size_t>(image_->height() - 1 - p.y) * image_->stride();
    const std::uint8_t* px = image_->bitmap() + start + 3 * static_cast<std::size_t>(p.x);
    return Color(px[2], px[1], px[0]);
}

int BmpReader::pixel_index(Point p) const {
    const int b = image_->bit_count();
    const int n = 8 / b;
    const std::size_t start = static_cast<std::size_t>(image_->height() - 1 - p.y) * image_->stride();
    const std::uint8_t byte = image_->bitmap()[start + static_cast<std::size_t>(b) * p.x / 8];
    return (byte >> (8 - b * (p.x % n) - b)) & ((1 << b) - 1);
}

void BmpReader::read_pixels(std::istream& in) {
    Image& image = *image_;
    const std::size_t size = image.image_size();
    // File rows and stored rows share order and stride: read straight into
    // the pixel memory, then drop what lies beyond the last pixel.
    in.read(reinterpret_cast<char*>(image.bitmap()), static_cast<std::streamsize>(size));
    if (static_cast<std::size_t>(in.gcount()) != size) throw file_error(messages::kFileError);
    image.clear_row_padding();
}
