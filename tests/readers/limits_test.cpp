// The shared reader limits: the check at its bounds, and every reader
// refusing a header past them before it reads or allocates pixels.
#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>

#include "readers/BmpReader.h"
#include "readers/JpegReader.h"
#include "readers/PngReader.h"
#include "readers/ReaderLimits.h"
#include "tests/readers/JpegWriter.h"
#include "tests/readers/ReaderTestUtil.h"

using namespace reader_limits;

namespace {

std::string field(std::uint64_t value, int bytes, bool big_endian) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += static_cast<char>(value >> (8 * (big_endian ? bytes - 1 - i : i)));
    return s;
}

// A 24-bit bitmap's headers, without pixels.
std::string bmp_header(std::uint64_t width, std::uint64_t height) {
    return "BM" + field(54, 4, false) + field(0, 4, false) + field(54, 4, false) + field(40, 4, false) +
           field(width, 4, false) + field(height, 4, false) + field(1, 2, false) + field(24, 2, false) +
           std::string(24, '\0');
}

std::string png_chunk(const std::string& type_and_data) {
    const auto* bytes = reinterpret_cast<const Bytef*>(type_and_data.data());
    return field(type_and_data.size() - 4, 4, true) + type_and_data +
           field(crc32(0, bytes, static_cast<uInt>(type_and_data.size())), 4, true);
}

// An 8-bit grey PNG's signature and header, and an empty data chunk.
std::string png_header(std::uint64_t width, std::uint64_t height) {
    return std::string("\x89PNG\r\n\x1a\n", 8) +
           png_chunk("IHDR" + field(width, 4, true) + field(height, 4, true) + std::string("\x08\0\0\0\0", 5)) +
           png_chunk("IDAT");
}

// A colour JPEG whose frame header declares width x height.
std::string jpeg_declaring(std::uint64_t width, std::uint64_t height) {
    jpegtest::JpegParams p;
    p.pixels = jpegtest::test_picture(p.width, p.height, 3);
    std::string bytes = jpegtest::encode_jpeg(p);
    return bytes.replace(bytes.find("\xFF\xC0") + 5, 4, field(height, 2, true) + field(width, 2, true));
}

}  // namespace

TEST(ReaderLimits, EachFieldIsHeldToItsLimit) {
    const struct {
        std::uint64_t width, height;
        unsigned bits;
        bool refused;
    } cases[] = {
        {kMaxWidth, 1, 24, false},
        {kMaxWidth + 1, 1, 1, true},
        {1, kMaxHeight, 24, false},
        {1, kMaxHeight + 1, 1, true},
        {kMaxWidth, 682, 24, false},
        {kMaxWidth, 683, 24, true},        // 2^30 bytes lie between
        {1 << 16, 1 << 17, 1, false},      // 2^33 pixels, 2^30 bytes
        {kMaxWidth, kMaxHeight, 0, true},  // the pixel count alone
        {1 << 16, 1 << 17, 0xFFFFFFFF, true},
        {UINT64_MAX, UINT64_MAX, 0xFFFFFFFF, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " x " << c.bits);
        if (c.refused) {
            EXPECT_THROW(check_size(c.width, c.height, c.bits), exec_error);
        } else {
            EXPECT_NO_THROW(check_size(c.width, c.height, c.bits));
        }
    }
}

TEST(ReaderLimits, EveryReaderRefusesAHeaderPastThemBeforeItsPixels) {
    const auto bmp = [] { return std::unique_ptr<ImageReader>(new BmpReader); };
    const auto png = [] { return std::unique_ptr<ImageReader>(new PngReader); };
    // Headers alone: a picture within the limits ends at its missing pixels.
    const struct {
        const char* name;
        std::function<std::unique_ptr<ImageReader>()> reader;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"BMP wider", bmp, bmp_header(kMaxWidth + 1, 1), messages::kNoImageMemory},
        {"BMP taller", bmp, bmp_header(1, kMaxHeight + 1), messages::kNoImageMemory},
        {"BMP at the limits", bmp, bmp_header(kMaxWidth, 1), messages::kFileError},
        // libpng holds its header to the limits it is given and refuses it as damaged.
        {"PNG wider", png, png_header(kMaxWidth + 1, 1), messages::kFormatError},
        {"PNG taller", png, png_header(1, kMaxHeight + 1), messages::kFormatError},
        {"PNG within both, past the bytes", png, png_header(kMaxWidth, kMaxHeight), messages::kNoImageMemory},
        // JPEG's own limit, 65500, lies under ours.
        {"JPEG past the bytes", [] { return std::unique_ptr<ImageReader>(new JpegReader); },
         jpeg_declaring(65000, 20000), messages::kNoImageMemory},
    };
    for (const auto& c : cases) {
        Image image = filled_image();
        EXPECT_EQ(decode(*c.reader(), image, c.bytes), c.message) << c.name;
        EXPECT_TRUE(is_empty(image)) << c.name;
    }
}
