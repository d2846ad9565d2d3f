// The PNG reader on files written here with libpng, and on broken ones.
#include <gtest/gtest.h>

#include <png.h>

#include <filesystem>
#include <optional>

#include "readers/PngReader.h"
#include "tests/readers/PerPixelReference.h"
#include "tests/readers/ReaderTestUtil.h"

namespace {

struct PngParams {
    int width = 1;
    int height = 1;
    int depth = 8;
    int color_type = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::optional<png_color_16> background;
    std::vector<png_color> palette;
    std::vector<std::vector<std::uint8_t>> rows;  // as libpng takes them (big-endian samples)
};

void append(png_structp png, png_bytep data, std::size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

std::string encode(const PngParams& params) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "could not write the test file";
        return {};
    }
    png_set_write_fn(png, &out, append, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(params.width), static_cast<png_uint_32>(params.height),
                 params.depth, params.color_type, params.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!params.palette.empty())
        png_set_PLTE(png, info, params.palette.data(), static_cast<int>(params.palette.size()));
    if (params.background) {
        png_color_16 bg = *params.background;
        png_set_bKGD(png, info, &bg);
    }
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (const auto& row : params.rows) png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

std::string chunk(const std::string& type, const std::string& data) {
    auto be32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                           static_cast<char>(v)};
    };
    return be32(static_cast<std::uint32_t>(data.size())) + type + data + be32(crc32(type + data));
}

// A file that stops right after announcing its image data.
std::string header_only(std::uint32_t width, std::uint32_t height, int depth, int color_type, int interlace = 0) {
    std::string ihdr;
    for (std::uint32_t v : {width, height})
        for (int s = 24; s >= 0; s -= 8) ihdr += static_cast<char>(v >> s);
    ihdr += {static_cast<char>(depth), static_cast<char>(color_type), 0, 0, static_cast<char>(interlace)};
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", "");
}

std::string read(Image& image, const std::string& bytes) { return decode_with<PngReader>(image, bytes); }

png_color_16 rgb_background(std::uint16_t r, std::uint16_t g, std::uint16_t b) {
    png_color_16 bg{};
    bg.red = r;
    bg.green = g;
    bg.blue = b;
    return bg;
}

}  // namespace

TEST(PngReader, TruecolourBecomesTwentyFourBits) {
    PngParams params;
    params.width = 2;
    params.height = 2;
    params.rows = {{10, 20, 30, 40, 50, 60}, {70, 80, 90, 100, 110, 120}};
    Image image;
    ASSERT_EQ(read(image, encode(params)), "");
    EXPECT_EQ(image.bit_count(), 24);
    EXPECT_EQ(image.get_color(Point(0, 0), true), Color(10, 20, 30));
    EXPECT_EQ(image.get_color(Point(1, 1), true), Color(100, 110, 120));
}

TEST(PngReader, AlphaIsBlendedExactlyOverTheBackground) {
    PngParams params;
    params.width = 4;
    params.color_type = PNG_COLOR_TYPE_RGB_ALPHA;
    params.rows = {{255, 0, 128, 255, /**/ 9, 9, 9, 0, /**/ 255, 255, 255, 128, /**/ 200, 100, 50, 77}};
    const auto blend = [](int v, int a, int bg) { return (v * a + bg * (255 - a) + 127) / 255; };

    params.background = rgb_background(0, 0, 0);
    Image image;
    ASSERT_EQ(read(image, encode(params)), "");
    EXPECT_EQ(image.get_color(Point(0, 0), true), Color(255, 0, 128)) << "opaque keeps its value";
    EXPECT_EQ(image.get_color(Point(1, 0), true), Color(0, 0, 0)) << "clear takes the background";
    EXPECT_EQ(image.get_color(Point(2, 0), true), Color(128, 128, 128));
    EXPECT_EQ(image.get_color(Point(3, 0), true), Color(blend(200, 77, 0), blend(100, 77, 0), blend(50, 77, 0)));

    params.background = rgb_background(255, 255, 255);
    ASSERT_EQ(read(image, encode(params)), "");
    EXPECT_EQ(image.get_color(Point(0, 0), true), Color(255, 0, 128));
    EXPECT_EQ(image.get_color(Point(1, 0), true), Color(255, 255, 255));

    params.background.reset();  // no background chunk: white
    ASSERT_EQ(read(image, encode(params)), "");
    EXPECT_EQ(image.get_color(Point(1, 0), true), Color(255, 255, 255));
    EXPECT_EQ(image.get_color(Point(3, 0), true), Color(blend(200, 77, 255), blend(100, 77, 255), blend(50, 77, 255)));
}

TEST(PngReader, SixteenBitBackgroundsAreTakenDownToEightBits) {
    PngParams params;
    params.width = 2;
    params.depth = 16;
    params.color_type = PNG_COLOR_TYPE_RGB_ALPHA;
    params.background = rgb_background(0x8080, 0x4000, 0x0101);
    params.rows = {{0, 0, 0, 0, 0, 0, 0, 0, /**/ 0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x00, 0xFF, 0xFF}};
    Image image;
    ASSERT_EQ(read(image, encode(params)), "");
    EXPECT_EQ(image.get_color(Point(0, 0), true), Color(0x80, 0x40, 0x01));
    EXPECT_EQ(image.get_color(Point(1, 0), true), Color(0x12, 0xAB, 0xFF));
}

TEST(PngReader, GreyWithAlphaBecomesBlendedGrey) {
    PngParams params;
    params.width = 3;
    params.color_type = PNG_COLOR_TYPE_GRAY_ALPHA;
    params.rows = {{90, 255, 90, 0, 200, 100}};
    png_color_16 bg{};
    bg.gray = 40;
    params.background = bg;
    Image image;
    ASSERT_EQ(read(image, encode(params)), "");
    EXPECT_EQ(image.bit_count(), 24);
    EXPECT_EQ(image.get_color(Point(0, 0), true), Color(90, 90, 90));
    EXPECT_EQ(image.get_color(Point(1, 0), true), Color(40, 40, 40));
    const int mixed = (200 * 100 + 40 * 155 + 127) / 255;
    EXPECT_EQ(image.get_color(Point(2, 0), true), Color(mixed, mixed, mixed));
}

TEST(PngReader, PaletteFilesKeepTheirDepthAndEntries) {
    PngParams params;
    params.width = 3;
    params.depth = 4;
    params.color_type = PNG_COLOR_TYPE_PALETTE;
    params.palette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    params.rows = {{0x21, 0x00}};
    Image image;
    ASSERT_EQ(read(image, encode(params)), "");
    EXPECT_EQ(image.bit_count(), 4);
    EXPECT_EQ(image.get_index(Point(0, 0), true), 2);
    EXPECT_EQ(image.get_index(Point(1, 0), true), 1);
    EXPECT_EQ(image.palette_color(2), Color(7, 8, 9));
    EXPECT_EQ(image.palette_color(3), Color(0, 0, 0));
}

TEST(PngReader, BrokenFilesAreFormatErrorsAndLeaveTheImageEmpty) {
    PngParams params;
    params.width = 40;
    params.height = 40;
    params.interlaced = true;
    params.rows.assign(40, std::vector<std::uint8_t>(120, 7));
    const std::string whole = encode(params);
    std::string bad_crc = whole;
    bad_crc[bad_crc.size() / 2] ^= 0x10;
    const std::string cases[] = {
        "", "BM not a png", whole.substr(0, 8), whole.substr(0, 40), whole.substr(0, whole.size() - 20), bad_crc};
    for (const std::string& bytes : cases) {
        Image image = filled_image();
        EXPECT_EQ(read(image, bytes), messages::kFormatError) << bytes.size();
        EXPECT_TRUE(is_empty(image));
    }
}

// Each data chunk's CRC guards the compressed bytes; the zlib stream's own
// checksum over the inflated rows is not checked again. A file whose stream
// checksum alone is wrong still shows its pixels; one whose chunk CRC is
// wrong is refused (above).
TEST(PngReader, TheStreamChecksumIsLeftToTheChunkCrcs) {
    PngParams params;
    params.width = 2;
    params.height = 2;
    params.rows = {{10, 20, 30, 40, 50, 60}, {70, 80, 90, 100, 110, 120}};
    const std::string whole = encode(params);
    // The only data chunk: 4 bytes length, "IDAT", data (ending in the
    // Adler-32), 4 bytes CRC.
    const std::size_t at = whole.find("IDAT") - 4;
    const std::uint32_t length = (std::uint32_t(std::uint8_t(whole[at])) << 24) |
                                 (std::uint32_t(std::uint8_t(whole[at + 1])) << 16) |
                                 (std::uint32_t(std::uint8_t(whole[at + 2])) << 8) | std::uint8_t(whole[at + 3]);
    std::string data = whole.substr(at + 8, length);
    data.back() ^= 0x01;
    const std::string tampered = whole.substr(0, at) + chunk("IDAT", data) + whole.substr(at + 12 + length);
    Image image;
    ASSERT_EQ(read(image, tampered), "");
    EXPECT_EQ(image.get_color(Point(0, 0), true), Color(10, 20, 30));
    EXPECT_EQ(image.get_color(Point(1, 1), true), Color(100, 110, 120));
}

TEST(PngReader, AStreamThatThrowsIsAFormatError) {
    PngParams params;
    params.rows = {{1, 2, 3}};
    std::istringstream in(encode(params).substr(0, 30), std::ios::binary);
    in.exceptions(std::ios::failbit | std::ios::badbit | std::ios::eofbit);
    Image image;
    PngReader reader;
    try {
        reader.read(image, in);
        FAIL() << "read a cut file";
    } catch (const Image::format_error&) {
    }
    EXPECT_TRUE(is_empty(image));
}

TEST(PngReader, HugeImagesFailBeforeTheirRowsAreRead) {
    Image image = filled_image();
    EXPECT_EQ(read(image, header_only(60000, 60000, 8, PNG_COLOR_TYPE_RGB)), messages::kNoImageMemory);
    EXPECT_TRUE(is_empty(image));
    EXPECT_EQ(read(image, header_only(60000, 60000, 16, PNG_COLOR_TYPE_GRAY)), messages::kNoImageMemory);
    EXPECT_EQ(read(image, header_only(0x7FFFFFFF, 1, 8, PNG_COLOR_TYPE_RGB)), messages::kFormatError)
        << "beyond the width limit libpng is given";
    EXPECT_EQ(read(image, header_only(3, 3, 3, PNG_COLOR_TYPE_RGB)), messages::kFormatError);
}

TEST(PngReader, InterlacedPackedPixelsNeedNoBufferBeyondTheImage) {
    // 1 GiB of 1-bit pixels, interlaced: a byte per pixel for every row would
    // be 8 GiB. The image's memory stays untouched but for its first row.
    const auto peak_kib = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss;
    };
    const long before = peak_kib();
    Image image;
    EXPECT_EQ(read(image, header_only(131072, 65536, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_ADAM7)),
              messages::kFormatError);
    EXPECT_LT(peak_kib() - before, 512L * 1024);
}

namespace {

// Rows in libpng's input form whose samples differ from pixel to pixel and
// channel to channel, alpha included, so that a pixel put in the wrong place
// or left out shows.
std::vector<std::vector<std::uint8_t>> varied_rows(int width, int height, int depth, int channels) {
    std::vector<std::vector<std::uint8_t>> rows;
    const int max = (1 << depth) - 1;
    for (int y = 0; y < height; ++y) {
        std::vector<std::uint8_t> row((static_cast<std::size_t>(width) * channels * depth + 7) / 8, 0);
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                const int sample = (x * 37 + y * 101 + c * 59 + x * y * 13) * 257 % (max + 1);
                const std::size_t at = (static_cast<std::size_t>(x) * channels + c) * depth;
                if (depth == 16) {
                    row[at / 8] = static_cast<std::uint8_t>(sample >> 8);
                    row[at / 8 + 1] = static_cast<std::uint8_t>(sample);
                } else if (depth == 8) {
                    row[at / 8] = static_cast<std::uint8_t>(sample);
                } else {
                    row[at / 8] |= static_cast<std::uint8_t>(sample << (8 - depth - at % 8));
                }
            }
        }
        rows.push_back(row);
    }
    return rows;
}

int channels_of(int color_type) {
    switch (color_type) {
        case PNG_COLOR_TYPE_RGB:
            return 3;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return 4;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        default:
            return 1;
    }
}

}  // namespace

TEST(PngReader, InterlacedFilesOfEveryKindEqualTheirPlainTwins) {
    // Widths and heights under 8 leave some passes without pixels.
    const struct {
        int depth;
        int color_type;
    } kinds[] = {{8, PNG_COLOR_TYPE_RGB_ALPHA},   {16, PNG_COLOR_TYPE_RGB_ALPHA}, {8, PNG_COLOR_TYPE_GRAY_ALPHA},
                 {16, PNG_COLOR_TYPE_GRAY_ALPHA}, {8, PNG_COLOR_TYPE_RGB},        {16, PNG_COLOR_TYPE_GRAY},
                 {1, PNG_COLOR_TYPE_GRAY},        {2, PNG_COLOR_TYPE_PALETTE},    {4, PNG_COLOR_TYPE_PALETTE},
                 {8, PNG_COLOR_TYPE_PALETTE}};
    const struct {
        int width;
        int height;
    } sizes[] = {{1, 1}, {2, 3}, {5, 1}, {3, 7}, {7, 9}, {9, 8}, {17, 13}};
    for (const auto& kind : kinds) {
        for (const auto& size : sizes) {
            SCOPED_TRACE(testing::Message() << "depth " << kind.depth << ", colour type " << kind.color_type << ", "
                                            << size.width << " x " << size.height);
            PngParams params;
            params.width = size.width;
            params.height = size.height;
            params.depth = kind.depth;
            params.color_type = kind.color_type;
            params.background = rgb_background(30, 200, 90);
            params.background->gray = 170;
            if (kind.color_type == PNG_COLOR_TYPE_PALETTE) {
                for (int i = 0; i < (1 << kind.depth); ++i)
                    params.palette.push_back({static_cast<png_byte>(i), static_cast<png_byte>(255 - i), 7});
            }
            params.rows = varied_rows(size.width, size.height, kind.depth, channels_of(kind.color_type));
            const std::string plain_file = encode(params);
            params.interlaced = true;
            const std::string interlaced_file = encode(params);

            Image plain;
            ASSERT_EQ(read(plain, plain_file), "");
            const auto expected = memory_of(plain);
            EXPECT_EQ(memory_of(reader_test::png_per_pixel(plain_file, plain)), expected) << "plain, reference";
            Image image;
            ASSERT_EQ(read(image, interlaced_file), "");
            EXPECT_EQ(memory_of(image), expected) << "interlaced";
        }
    }
}

TEST(PngReader, CutHugeFilesFailWithoutMemoryForTheirDeclaredRows) {
    // Each declares about 1 GiB of image and holds a few bytes of it.
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"interlaced truecolour with alpha",
         file_bytes(std::filesystem::path(TESSERIN_FUZZ_CRASHES) / "png-interlaced-rgba-huge-rows.png")},
        {"interlaced 1-bit grey", header_only(131072, 65536, 1, PNG_COLOR_TYPE_GRAY, 1)},
        {"interlaced 16-bit grey with alpha", header_only(16384, 21845, 16, PNG_COLOR_TYPE_GRAY_ALPHA, 1)},
        {"interlaced 4-bit grey", header_only(131072, 16384, 4, PNG_COLOR_TYPE_GRAY, 1)},
        {"truecolour with alpha", header_only(16384, 21845, 8, PNG_COLOR_TYPE_RGB_ALPHA)},
        {"grey", header_only(32768, 32768, 8, PNG_COLOR_TYPE_GRAY)},
    };
    // AddressSanitizer writes the shadow of every large block it frees: an
    // eighth of the image's own pixel memory, which the cap holds to 1 GiB.
    const long allowed_kib = 64L * 1024 + (kAddressSanitizer ? static_cast<long>(Image::kMaxImageBytes / 8 / 1024) : 0);
    for (const auto& c : cases) {
        ASSERT_GT(c.bytes.size(), 40u) << c.name;
        SCOPED_TRACE(c.name);
        const ChildRead result = read_in_child([&](Image& image) { return read(image, c.bytes); });
        EXPECT_EQ(result.message, messages::kFormatError);
        EXPECT_LT(result.grown_kib, allowed_kib);
    }
}
