#pragma once
// Helpers shared by the reader tests.

#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "image/Image.h"
#include "readers/ImageReader.h"

// Decodes bytes with a reader; returns the message of the family's exception
// caught, or "" on success. Anything else escapes and fails the test.
inline std::string decode(ImageReader& reader, Image& image, const std::string& bytes) {
    std::istringstream in(bytes, std::ios::binary);
    try {
        reader.read(image, in);
    } catch (const myexception& e) {
        return e.what();
    }
    return "";
}

template <typename Reader>
std::string decode_with(Image& image, const std::string& bytes, bool per_pixel = false) {
    Reader reader(per_pixel);
    return decode(reader, image, bytes);
}

// A picture that the reader under test must clear on failure.
inline Image filled_image() {
    Image image;
    image.init_header();
    image.set_width(2);
    image.set_height(2);
    image.set_bit_count(24);
    image.create();
    return image;
}

inline bool is_empty(const Image& image) { return image.info() == nullptr && !image.is_created(); }

inline std::vector<std::uint8_t> memory_of(const Image& image) {
    if (!image.is_created()) return {};
    return {image.bitmap(), image.bitmap() + image.image_size()};
}

// The colour a reader's image shows at (x, y), palette looked up.
inline Color shown(const Image& image, int x, int y) {
    if (image.bit_count() == 24) return image.get_color(Point(x, y), true);
    return image.palette_color(image.get_index(Point(x, y), true));
}
