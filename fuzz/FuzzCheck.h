#pragma once
// What both fuzz targets check on every input: the reader ends in success or
// in one exception of the family, a failed read leaves the image empty, and
// the row and per-pixel paths give the same image.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "image/Image.h"

namespace fuzz {

// Images up to this size are decoded a second time pixel by pixel.
inline constexpr std::uint32_t kCompareLimit = 4u << 20;

template <typename Reader, typename... Options>
bool decode(Image& image, const std::string& bytes, Options... options) {
    std::istringstream in(bytes, std::ios::binary);
    Reader reader(options...);
    try {
        reader.read(image, in);
        return true;
    } catch (const myexception&) {
        if (image.info() != nullptr || image.is_created()) std::abort();
        return false;
    }
}

// A successful read gives an image with all its pixel memory.
inline void check_whole(const Image& image) {
    if (!image.is_created() || image.image_size() != static_cast<std::uint32_t>(image.stride()) * image.height()) {
        std::abort();
    }
}

// For readers with one way of writing pixels.
template <typename Reader>
void check_once(const std::uint8_t* data, std::size_t size) {
    Image image;
    if (decode<Reader>(image, std::string(reinterpret_cast<const char*>(data), size))) check_whole(image);
}

template <typename Reader>
void check(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Image rows;
    if (!decode<Reader>(rows, bytes, false)) return;
    check_whole(rows);
    if (rows.image_size() > kCompareLimit) return;
    Image pixels;
    if (!decode<Reader>(pixels, bytes, true)) std::abort();
    if (pixels.image_size() != rows.image_size() ||
        std::memcmp(pixels.bitmap(), rows.bitmap(), rows.image_size()) != 0 ||
        std::memcmp(pixels.info(), rows.info(), sizeof(BitmapInfo)) != 0) {
        std::abort();
    }
}

}  // namespace fuzz
