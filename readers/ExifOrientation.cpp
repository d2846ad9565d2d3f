#include "readers/ExifOrientation.h"

namespace {

constexpr std::uint32_t kOrientationTag = 0x0112;
constexpr std::uint32_t kTiffShort = 3;
constexpr int kAsStored = 1;

std::uint32_t field(const std::uint8_t* p, int bytes, bool big_endian) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        const std::uint32_t byte = p[big_endian ? i : bytes - 1 - i];
        value = (value << 8) | byte;
    }
    return value;
}

}  // namespace

int exif_orientation(const std::uint8_t* tiff, std::size_t size) {
    const std::uint64_t length = size;
    if (!tiff || length < 8) return kAsStored;
    bool big_endian = false;
    if (tiff[0] == 'M' && tiff[1] == 'M') {
        big_endian = true;
    } else if (!(tiff[0] == 'I' && tiff[1] == 'I')) {
        return kAsStored;
    }
    if (field(tiff + 2, 2, big_endian) != 42) return kAsStored;
    const std::uint64_t ifd = field(tiff + 4, 4, big_endian);
    if (ifd + 2 > length) return kAsStored;
    const std::uint64_t entries = field(tiff + ifd, 2, big_endian);
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t at = ifd + 2 + 12 * i;
        if (at + 12 > length) return kAsStored;
        const std::uint8_t* entry = tiff + at;
        if (field(entry, 2, big_endian) != kOrientationTag) continue;
        if (field(entry + 2, 2, big_endian) != kTiffShort || field(entry + 4, 4, big_endian) < 1) return kAsStored;
        // A single short sits in the first two bytes of the value field.
        const std::uint32_t value = field(entry + 8, 2, big_endian);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : kAsStored;
    }
    return kAsStored;
}
