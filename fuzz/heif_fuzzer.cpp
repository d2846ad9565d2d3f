// Fuzz target for the HEIF/AVIF reader: it ends in success or in one
// exception of the family, a failed read leaves the image empty, and a read
// image is whole.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "image/Image.h"
#include "readers/HeifReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size), std::ios::binary);
    Image image;
    try {
        HeifReader().read(image, in);
    } catch (const myexception&) {
        if (image.info() != nullptr || image.is_created()) std::abort();
        return 0;
    }
    if (!image.is_created() || image.bit_count() != 24 ||
        image.image_size() != static_cast<std::uint32_t>(image.stride()) * image.height()) {
        std::abort();
    }
    return 0;
}
