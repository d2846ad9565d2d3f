#pragma once
// What every fuzz target checks on every input: the reader ends in success
// or in one exception of the family, a failed read leaves the image empty,
// and a decoded image holds pixel memory of exactly its rows.

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "image/Image.h"

namespace fuzz {

template <typename Reader>
void check(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size), std::ios::binary);
    Image image;
    Reader reader;
    try {
        reader.read(image, in);
    } catch (const myexception&) {
        if (image.info() != nullptr || image.is_created()) std::abort();
        return;
    }
    if (!image.is_created() || image.image_size() != static_cast<std::uint32_t>(image.stride()) * image.height()) {
        std::abort();
    }
}

}  // namespace fuzz
