// The JPEG reader on files written here with libjpeg's compressor, held to
// libjpeg's own decode of the same files, and on cut and damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

#include "readers/ExifOrientation.h"
#include "readers/JpegReader.h"
#include "tests/readers/DisplayP3.h"
#include "tests/readers/JpegWriter.h"
#include "tests/readers/PerPixelReference.h"
#include "tests/readers/ReaderTestUtil.h"

using jpegtest::Decoded;
using jpegtest::JpegParams;

namespace {

std::string read(Image& image, const std::string& bytes) { return decode_with<JpegReader>(image, bytes); }

JpegParams colour(int width, int height) {
    JpegParams p;
    p.width = width;
    p.height = height;
    p.pixels = jpegtest::test_picture(width, height, 3);
    return p;
}

JpegParams grey(int width, int height) {
    JpegParams p = colour(width, height);
    p.input = p.stored = JCS_GRAYSCALE;
    p.pixels = jpegtest::test_picture(width, height, 1);
    return p;
}

// The colour of libjpeg's decode at (x, y); inks are mixed in floating
// point, inverted (255 is no ink) when an Adobe marker said so.
Color reference_colour(const Decoded& d, int x, int y, bool adobe = true) {
    const std::uint8_t* s = d.pixels.data() + (static_cast<std::size_t>(y) * d.width + x) * d.components;
    if (d.components == 1) return Color(s[0], s[0], s[0]);
    if (d.components == 3) return Color(s[0], s[1], s[2]);
    auto mix = [&](int i) {
        const double ink = adobe ? s[i] : 255 - s[i];
        const double black = adobe ? s[3] : 255 - s[3];
        return static_cast<int>(std::floor(ink * black / 255.0 + 0.5));
    };
    return Color(mix(0), mix(1), mix(2));
}

// The stored decode turned by the orientation, pixel by pixel into an image
// of the reader's shape.
Image per_pixel_reference(const Image& shape, const Decoded& stored, int orientation = 1) {
    const auto colour = [&](int x, int y) {
        const auto [sx, sy] = stored_place(orientation, x, y, stored.width, stored.height);
        return reference_colour(stored, sx, sy);
    };
    return reader_test::per_pixel_like(
        shape, [&](int x, int y) { return int{colour(x, y).green}; }, colour);
}

// How many of the image's pixels differ from the stored decode turned by
// the orientation.
int mismatches(const Image& image, const Decoded& stored, int orientation = 1, bool adobe = true) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const auto [sx, sy] = stored_place(orientation, x, y, stored.width, stored.height);
            const Color want = reference_colour(stored, sx, sy, adobe), got = shown(image, x, y);
            if (got.red != want.red || got.green != want.green || got.blue != want.blue) ++count;
        }
    }
    return count;
}

// Every pixel of the image equals libjpeg's decode; the decode itself stays
// near the picture that was written.
void expect_like_reference(const Image& image, const std::string& bytes, const JpegParams& p) {
    const bool is_grey = p.stored == JCS_GRAYSCALE;
    const Decoded ref = jpegtest::reference_decode(bytes, is_grey ? JCS_GRAYSCALE : JCS_RGB);
    ASSERT_EQ(image.width(), ref.width);
    ASSERT_EQ(image.height(), ref.height);
    ASSERT_EQ(image.bit_count(), is_grey ? 8 : 24);
    EXPECT_EQ(image.is_grayscale(), is_grey);
    EXPECT_EQ(mismatches(image, ref), 0);
    EXPECT_EQ(memory_of(image), memory_of(per_pixel_reference(image, ref)));
    long error = 0;
    for (std::size_t i = 0; i < ref.pixels.size(); ++i) error += std::abs(int{ref.pixels[i]} - int{p.pixels[i]});
    EXPECT_LT(static_cast<double>(error) / static_cast<double>(ref.pixels.size()), 6.0);
}

}  // namespace

TEST(JpegReader, DecodesEveryCodingAndSamplingLikeLibjpeg) {
    const struct {
        const char* name;
        std::function<JpegParams()> make;
    } cases[] = {
        {"baseline 4:4:4", [] { return colour(37, 23); }},
        {"baseline 4:2:2",
         [] {
             auto p = colour(37, 23);
             p.h_sampling = 2;
             return p;
         }},
        {"baseline 4:2:0",
         [] {
             auto p = colour(37, 23);
             p.h_sampling = p.v_sampling = 2;
             return p;
         }},
        {"progressive 4:2:0",
         [] {
             auto p = colour(41, 30);
             p.h_sampling = p.v_sampling = 2;
             p.progressive = true;
             return p;
         }},
        {"progressive 4:4:4",
         [] {
             auto p = colour(16, 40);
             p.progressive = true;
             return p;
         }},
        {"restart every MCU",
         [] {
             auto p = colour(40, 24);
             p.h_sampling = 2;
             p.restart_interval = 1;
             return p;
         }},
        {"progressive with restarts",
         [] {
             auto p = colour(40, 24);
             p.progressive = true;
             p.restart_interval = 3;
             return p;
         }},
        {"arithmetic coding",
         [] {
             auto p = colour(33, 17);
             p.h_sampling = p.v_sampling = 2;
             p.arithmetic = true;
             return p;
         }},
        {"stored as RGB",
         [] {
             auto p = colour(20, 20);
             p.stored = JCS_RGB;
             return p;
         }},
        {"grey", [] { return grey(29, 13); }},
        {"grey progressive with restarts",
         [] {
             auto p = grey(64, 9);
             p.progressive = true;
             p.restart_interval = 2;
             return p;
         }},
        {"one pixel", [] { return colour(1, 1); }},
        // 190 scans, one for the DC and each grey band in three refinements:
        // an ordinary progression the scan limit lets through.
        {"grey in 190 scans",
         [] {
             auto p = grey(8, 8);
             p.many_scans = true;
             return p;
         }},
    };
    for (const auto& c : cases) {
        const JpegParams p = c.make();
        const std::string bytes = jpegtest::encode_jpeg(p);
        SCOPED_TRACE(c.name);
        Image image = filled_image();
        ASSERT_EQ(read(image, bytes), "");
        expect_like_reference(image, bytes, p);
        if (p.stored == JCS_GRAYSCALE) {
            for (int i = 0; i < 256; ++i) ASSERT_EQ(image.palette_color(i).green, i);
        }
    }
}

TEST(JpegReader, InksBecomeColoursAsTheirMarkerSays) {
    // Four 8 x 8 quadrants of flat ink; with an Adobe marker the samples are
    // stored inverted (255 is no ink), without one as they are.
    const std::uint8_t inverted[4][4] = {
        {255, 255, 255, 255}, {0, 255, 255, 255}, {255, 255, 255, 128}, {255, 128, 0, 255}};
    const Color expected[4] = {Color(255, 255, 255), Color(0, 255, 255), Color(128, 128, 128), Color(255, 128, 0)};
    const struct {
        const char* name;
        J_COLOR_SPACE stored;
        bool adobe;
    } cases[] = {
        {"Adobe CMYK", JCS_CMYK, true},
        {"Adobe YCCK", JCS_YCCK, true},
        {"plain CMYK", JCS_CMYK, false},
    };
    for (const auto& c : cases) {
        JpegParams p;
        p.input = JCS_CMYK;
        p.stored = c.stored;
        p.adobe_marker = c.adobe;
        p.quality = 100;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                for (int k = 0; k < 4; ++k) {
                    const std::uint8_t v = inverted[(y / 8) * 2 + x / 8][k];
                    p.pixels.push_back(c.adobe ? v : static_cast<std::uint8_t>(255 - v));
                }
        const std::string bytes = jpegtest::encode_jpeg(p);
        const Decoded ref = jpegtest::reference_decode(bytes, JCS_CMYK);
        SCOPED_TRACE(c.name);
        Image image = filled_image();
        ASSERT_EQ(read(image, bytes), "");
        ASSERT_EQ(image.bit_count(), 24);
        for (int q = 0; q < 4; ++q) {
            const Color got = shown(image, (q % 2) * 8 + 4, (q / 2) * 8 + 4);
            EXPECT_NEAR(got.red, expected[q].red, 3) << q;
            EXPECT_NEAR(got.green, expected[q].green, 3) << q;
            EXPECT_NEAR(got.blue, expected[q].blue, 3) << q;
        }
        EXPECT_EQ(mismatches(image, ref, 1, c.adobe), 0);
    }
}

namespace {

// 32 x 16 in 8 x 8 blocks: red top left, green top right, blue bottom
// left, yellow bottom right, grey between.
JpegParams corners_picture() {
    JpegParams p;
    p.width = 32;
    p.height = 16;
    p.quality = 100;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) {
            Color c(128, 128, 128);
            if (x < 8 && y < 8) c = Color(255, 0, 0);
            if (x >= 24 && y < 8) c = Color(0, 255, 0);
            if (x < 8 && y >= 8) c = Color(0, 0, 255);
            if (x >= 24 && y >= 8) c = Color(255, 255, 0);
            p.pixels.insert(p.pixels.end(), {c.red, c.green, c.blue});
        }
    }
    return p;
}

enum Corner { R, G, B, Y };

bool near(Color got, Corner want) {
    const Color colours[] = {Color(255, 0, 0), Color(0, 255, 0), Color(0, 0, 255), Color(255, 255, 0)};
    const Color w = colours[want];
    return std::abs(got.red - w.red) <= 8 && std::abs(got.green - w.green) <= 8 && std::abs(got.blue - w.blue) <= 8;
}

}  // namespace

TEST(JpegReader, ExifOrientationTurnsThePictureUpright) {
    // The corners seen after turning: top left, top right, bottom left, bottom right.
    const struct {
        int orientation;
        int width, height;
        Corner tl, tr, bl, br;
    } cases[] = {
        {1, 32, 16, R, G, B, Y}, {2, 32, 16, G, R, Y, B}, {3, 32, 16, Y, B, G, R}, {4, 32, 16, B, Y, R, G},
        {5, 16, 32, R, B, G, Y}, {6, 16, 32, B, R, Y, G}, {7, 16, 32, Y, G, B, R}, {8, 16, 32, G, Y, R, B},
    };
    JpegParams p = corners_picture();
    const Decoded stored = jpegtest::reference_decode(jpegtest::encode_jpeg(p), JCS_RGB);
    for (const auto& c : cases) {
        for (bool big_endian : {false, true}) {
            p.app1 = jpegtest::exif_block(c.orientation, big_endian);
            const std::string bytes = jpegtest::encode_jpeg(p);
            SCOPED_TRACE(testing::Message() << "orientation " << c.orientation << ", big endian " << big_endian);
            Image image;
            ASSERT_EQ(read(image, bytes), "");
            ASSERT_EQ(image.width(), c.width);
            ASSERT_EQ(image.height(), c.height);
            EXPECT_TRUE(near(shown(image, 0, 0), c.tl));
            EXPECT_TRUE(near(shown(image, c.width - 1, 0), c.tr));
            EXPECT_TRUE(near(shown(image, 0, c.height - 1), c.bl));
            EXPECT_TRUE(near(shown(image, c.width - 1, c.height - 1), c.br));
            EXPECT_EQ(mismatches(image, stored, c.orientation), 0);
        }
    }
}

// Pictures of one pixel, of fewer rows or columns than the reader moves in
// one go, one just taller than its strip, and larger ones of sizes no strip
// or block divides, so the last, short strip and the edges are turned too.
TEST(JpegReader, EveryOrientationTurnsPicturesOfAnySizeWhole) {
    enum Kind { kColour, kGrey, kInks };
    const std::vector<Kind> all = {kColour, kGrey, kInks};
    const struct {
        int width, height;
        std::vector<Kind> kinds;
    } cases[] = {
        {1, 1, all}, {1, 9, all},   {9, 1, all},           {2, 3, all},
        {7, 9, all}, {10, 70, all}, {150, 141, {kColour}}, {67, 200, {kGrey}},
    };
    for (const auto& c : cases) {
        for (const Kind kind : c.kinds) {
            JpegParams p = kind == kGrey ? grey(c.width, c.height) : colour(c.width, c.height);
            if (kind == kInks) {
                p.input = p.stored = JCS_CMYK;
                p.pixels = jpegtest::test_picture(c.width, c.height, 4);
            }
            const J_COLOR_SPACE space = kind == kGrey ? JCS_GRAYSCALE : kind == kInks ? JCS_CMYK : JCS_RGB;
            const Decoded stored = jpegtest::reference_decode(jpegtest::encode_jpeg(p), space);
            for (int orientation = 1; orientation <= 8; ++orientation) {
                p.app1 = jpegtest::exif_block(orientation);
                const std::string bytes = jpegtest::encode_jpeg(p);
                SCOPED_TRACE(testing::Message()
                             << c.width << " x " << c.height << ", kind " << kind << ", orientation " << orientation);
                Image image;
                ASSERT_EQ(read(image, bytes), "");
                ASSERT_EQ(image.width(), orientation >= 5 ? stored.height : stored.width);
                ASSERT_EQ(image.height(), orientation >= 5 ? stored.width : stored.height);
                EXPECT_EQ(mismatches(image, stored, orientation), 0);
                EXPECT_EQ(memory_of(image), memory_of(per_pixel_reference(image, stored, orientation)));
            }
        }
    }
}

TEST(ExifOrientation, IsCheckedAtEveryOffset) {
    // The blocks are APP1 blocks; the EXIF data starts after their 6-byte name.
    auto orientation = [](const std::string& block, std::size_t size) {
        return exif_orientation(reinterpret_cast<const std::uint8_t*>(block.data()) + 6, size - 6);
    };
    const std::string good = jpegtest::exif_block(6);
    // The orientation's entry ends 40 bytes in; anything shorter holds none.
    for (std::size_t n = 6; n <= good.size(); ++n) EXPECT_EQ(orientation(good, n), n >= 40 ? 6 : 1) << n;
    auto patched = [&](std::size_t at, std::initializer_list<int> values) {
        std::string s = good;
        for (int v : values) s[at++] = static_cast<char>(v);
        return s;
    };
    const struct {
        const char* name;
        std::string block;
        int expected;
    } cases[] = {
        {"big endian", jpegtest::exif_block(3, true), 3},
        {"value 0", jpegtest::exif_block(0), 1},
        {"value 9", jpegtest::exif_block(9), 1},
        {"value 0x0106", jpegtest::exif_block(0x0106), 1},
        {"unknown byte order", patched(6, {'I', 'M'}), 1},
        {"not 42", patched(8, {43}), 1},
        {"directory past the end", patched(10, {0xF0, 0xFF, 0xFF, 0xFF}), 1},
        {"directory at the last bytes", patched(10, {46, 0, 0, 0}), 1},
        {"more entries than bytes, none the tag",
         [&] {
             std::string s = patched(28, {0x13, 0x01});
             s[14] = s[15] = '\xFF';
             return s;
         }(),
         1},
        {"entries counted past the end", patched(14, {0xFF, 0xFF}), 6},
        {"orientation as a long", patched(30, {4}), 1},
        {"orientation with no value", patched(32, {0, 0, 0, 0}), 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(orientation(c.block, c.block.size()), c.expected) << c.name;
    }
}

TEST(JpegReader, OnlyABlockNamedExifTurnsThePicture) {
    // A block that is no Exif block leaves the picture as stored.
    std::string misnamed = jpegtest::exif_block(6);
    misnamed[3] = 'F';
    for (const std::string& block : {std::string("http://ns.adobe.com/xap/1.0/"), misnamed}) {
        JpegParams p = corners_picture();
        p.app1 = block;
        Image image;
        ASSERT_EQ(read(image, jpegtest::encode_jpeg(p)), "");
        EXPECT_EQ(image.width(), 32);
        EXPECT_TRUE(near(shown(image, 0, 0), R));
    }
}

namespace {

std::size_t find_marker(const std::string& bytes, int marker, std::size_t from = 0) {
    const std::string m{'\xFF', static_cast<char>(marker)};
    return bytes.find(m, from);
}

// The first byte of the first scan's coded data.
std::size_t scan_data(const std::string& bytes) {
    const std::size_t sos = find_marker(bytes, 0xDA);
    const std::size_t length =
        (static_cast<std::uint8_t>(bytes[sos + 2]) << 8) | static_cast<std::uint8_t>(bytes[sos + 3]);
    return sos + 2 + length;
}

std::string with_size(std::string bytes, int width, int height) {
    std::size_t sof = find_marker(bytes, 0xC0);
    if (sof == std::string::npos) sof = find_marker(bytes, 0xC2);
    bytes[sof + 5] = static_cast<char>(height >> 8);
    bytes[sof + 6] = static_cast<char>(height & 0xFF);
    bytes[sof + 7] = static_cast<char>(width >> 8);
    bytes[sof + 8] = static_cast<char>(width & 0xFF);
    return bytes;
}

std::string baseline() {
    JpegParams p = colour(64, 64);
    p.h_sampling = p.v_sampling = 2;
    p.restart_interval = 4;
    return jpegtest::encode_jpeg(p);
}

std::string progressive(bool subsampled = true) {
    JpegParams p = colour(64, 64);
    p.progressive = true;
    if (subsampled) p.h_sampling = p.v_sampling = 2;
    return jpegtest::encode_jpeg(p);
}

}  // namespace

TEST(JpegReader, CutAndDamagedFilesAreRefusedAndLeaveTheImageEmpty) {
    const std::string base = baseline();
    const std::size_t data = scan_data(base);
    auto overwrite = [&](std::size_t at, const std::string& with) {
        std::string s = base;
        s.replace(at, with.size(), with);
        return s;
    };
    JpegParams many = colour(8, 8);
    many.many_scans = true;
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"empty", "", messages::kFileError},
        {"only the start marker", base.substr(0, 2), messages::kFileError},
        {"cut in the headers", base.substr(0, data / 2), messages::kFileError},
        {"cut in the scan", base.substr(0, data + (base.size() - data) / 2), messages::kFileError},
        {"without the end marker", base.substr(0, base.size() - 2), messages::kFileError},
        {"progressive cut before its last scan", progressive().substr(0, progressive().size() * 3 / 4),
         messages::kFileError},
        {"not a JPEG", std::string("\x89PNG\r\n\x1a\n") + base, messages::kFormatError},
        {"bad Huffman codes", overwrite(data + 12, std::string("\xFF\x00\xFF\x00\xFF\x00\xFF\x00", 8)),
         messages::kFormatError},
        {"restart markers out of order", overwrite(find_marker(base, 0xD0, data), "\xFF\xD3"), messages::kFormatError},
        {"a marker inside the scan", overwrite(data + 12, "\xFF\xD9"), messages::kFormatError},
        {"no width", with_size(base, 0, 64), messages::kFormatError},
        {"too many scans", jpegtest::encode_jpeg(many), messages::kFormatError},
        {"pixel memory past the cap", with_size(base, 65000, 65000), messages::kNoImageMemory},
        {"wide picture past the cap", with_size(base, 65000, 5600), messages::kNoImageMemory},
        // 768 MB of pixels, but twice that of coefficients held for the whole picture.
        {"progressive buffers past the cap", with_size(progressive(false), 16000, 16000), messages::kNoImageMemory},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image image = filled_image();
        EXPECT_EQ(read(image, c.bytes), c.message);
        EXPECT_TRUE(is_empty(image));
    }
}

TEST(JpegReader, HugeDeclaredPicturesTakeNoMemoryForWhatTheyLack) {
    // About 750 MiB of pixels declared, a few kilobytes of data given.
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"baseline", with_size(baseline(), 16000, 16000)},
        {"progressive", with_size(progressive(), 16000, 16000)},
    };
    const long allowed_kib = 64L * 1024 + (kAddressSanitizer ? static_cast<long>(Image::kMaxImageBytes / 8 / 1024) : 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ChildRead result = read_in_child([&](Image& image) { return read(image, c.bytes); });
        EXPECT_TRUE(result.message == messages::kFileError || result.message == messages::kFormatError)
            << result.message;
        EXPECT_GE(result.grown_kib, 0);
        EXPECT_LT(result.grown_kib, allowed_kib);
    }
}

namespace {

// An ICC profile as APP2 blocks of `parts` pieces, numbered as the blocks say.
std::vector<std::string> icc_blocks(const std::string& icc, int parts) {
    std::vector<std::string> blocks;
    const std::size_t piece = (icc.size() + parts - 1) / parts;
    for (int i = 0; i < parts; ++i) {
        blocks.push_back(std::string("ICC_PROFILE\0", 12) + static_cast<char>(i + 1) + static_cast<char>(parts) +
                         icc.substr(i * piece, piece));
    }
    return blocks;
}

}  // namespace

TEST(JpegReader, AnIccProfileIsConvertedToSrgbOthersLeaveThePixels) {
    const std::string p3 = p3test::display_p3_icc();
    std::string garbled = p3;
    for (std::size_t i = 100; i < garbled.size(); ++i) garbled[i] = static_cast<char>(i * 37);
    const struct {
        const char* name;
        std::vector<std::string> app2;
        int orientation;
        bool converted;
    } cases[] = {
        {"P3 in one block", icc_blocks(p3, 1), 1, true},
        {"P3 in three blocks", icc_blocks(p3, 3), 3, true},
        {"P3, turned", icc_blocks(p3, 2), 6, true},
        {"no profile", {}, 1, false},
        {"garbled profile", icc_blocks(garbled, 1), 1, false},
        {"a block missing", {icc_blocks(p3, 3)[0], icc_blocks(p3, 3)[2]}, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        JpegParams p = colour(20, 12);
        p.app2 = c.app2;
        if (c.orientation != 1) p.app1 = jpegtest::exif_block(c.orientation);
        const std::string bytes = jpegtest::encode_jpeg(p);
        Image image;
        ASSERT_EQ(read(image, bytes), "");
        const Decoded stored = jpegtest::reference_decode(bytes, JCS_RGB);
        int worst = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const auto [sx, sy] = stored_place(c.orientation, x, y, stored.width, stored.height);
                Color want = reference_colour(stored, sx, sy);
                if (c.converted) want = p3test::p3_in_srgb(want);
                const Color got = shown(image, x, y);
                worst = std::max({worst, std::abs(got.red - want.red), std::abs(got.green - want.green),
                                  std::abs(got.blue - want.blue)});
            }
        }
        // Little CMS's 8-bit pipeline against its double-precision answer.
        EXPECT_LE(worst, c.converted ? 1 : 0);
    }
}
