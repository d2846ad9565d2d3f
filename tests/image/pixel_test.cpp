// Pixel access: packing, row order, strict clamping and format checks, and
// the row operations matching the per-pixel ones byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "image/Image.h"
#include "tests/image/BlankImage.h"

namespace {

using image_test::Blank;

std::vector<std::uint8_t> memory_of(const Image& image) {
    return {image.bitmap(), image.bitmap() + image.image_size()};
}

}  // namespace

TEST(PixelPacking, OneBitPixelsRunFromTheTopBitDown) {
    Image image = Blank(10, 1, 1);
    image.set_index(Point(0, 0), 1, true);
    EXPECT_EQ(image.bitmap()[0], 0x80);
    image.set_index(Point(7, 0), 1, true);
    EXPECT_EQ(image.bitmap()[0], 0x81);
    image.set_index(Point(8, 0), 1, true);
    EXPECT_EQ(image.bitmap()[1], 0x80);
    image.set_index(Point(0, 0), 0, true);
    EXPECT_EQ(image.bitmap()[0], 0x01);
    EXPECT_EQ(image.get_index(Point(7, 0), true), 1);
    EXPECT_EQ(image.get_index(Point(6, 0), true), 0);
}

TEST(PixelPacking, TwoAndFourBitPixelsShareBytesLeftmostHigh) {
    Image two = Blank(8, 1, 2);
    two.set_index(Point(0, 0), 3, true);
    two.set_index(Point(3, 0), 2, true);
    two.set_index(Point(5, 0), 1, true);
    EXPECT_EQ(two.bitmap()[0], 0xC2);
    EXPECT_EQ(two.bitmap()[1], 0x10);
    EXPECT_EQ(two.get_index(Point(3, 0), true), 2);

    Image four = Blank(5, 1, 4);
    four.set_index(Point(2, 0), 0xA, true);
    four.set_index(Point(3, 0), 0x5, true);
    EXPECT_EQ(four.bitmap()[1], 0xA5);
    EXPECT_EQ(four.get_index(Point(2, 0), true), 0xA);
    EXPECT_EQ(four.get_index(Point(3, 0), true), 0x5);
}

TEST(PixelPacking, ValuesAreStoredUnmaskedAsCallersAreTrusted) {
    Image image = Blank(4, 1, 2);
    image.set_index(Point(1, 0), 7, true);  // 3 bits: spills into pixel 0
    EXPECT_EQ(image.get_index(Point(0, 0), true), 1);
    EXPECT_EQ(image.get_index(Point(1, 0), true), 3);
}

TEST(PixelRows, PictureRowsAreStoredBottomUp) {
    Image image = Blank(2, 3, 24);
    image.set_color(Point(0, 0), Color(1, 2, 3), true);
    image.set_color(Point(0, 2), Color(4, 5, 6), true);
    const std::uint8_t* bits = image.bitmap();
    const int last = 2 * image.stride();
    EXPECT_EQ(bits[last + 0], 3) << "blue first";
    EXPECT_EQ(bits[last + 1], 2);
    EXPECT_EQ(bits[last + 2], 1);
    EXPECT_EQ(bits[0], 6);
    EXPECT_EQ(bits[2], 4);
    EXPECT_EQ(image.scanline(0), bits + last);
    EXPECT_EQ(image.scanline(2), bits);
    EXPECT_EQ(image.scanline(3), nullptr);
    EXPECT_EQ(image.scanline(-1), nullptr);
}

TEST(PixelStrict, ColourAccessMovesOutsidePointsToTheNearestPixel) {
    Image image = Blank(10, 10, 24);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) image.set_color(Point(x, y), Color(x, y, 7), true);
    EXPECT_EQ(image.get_color(Point(-5, 3), true), Color(0, 3, 7));
    EXPECT_EQ(image.get_color(Point(12, 20), true), Color(9, 9, 7));
    image.set_color(Point(-1, -1), Color(200, 201, 202), true);
    EXPECT_EQ(image.get_color(Point(0, 0), false), Color(200, 201, 202));
    image.set_color(Point(40, 4), Color(9, 9, 9), true);
    EXPECT_EQ(image.get_color(Point(9, 4), false), Color(9, 9, 9));
}

TEST(PixelStrict, IndexAccessIgnoresOutsidePoints) {
    Image image = Blank(4, 2, 8);
    std::memset(image.bitmap(), 0x33, image.image_size());
    const auto before = memory_of(image);
    EXPECT_EQ(image.get_index(Point(4, 0), true), 0);
    EXPECT_EQ(image.get_index(Point(0, -1), true), 0);
    image.set_index(Point(-1, 0), 9, true);
    image.set_index(Point(0, 2), 9, true);
    EXPECT_EQ(memory_of(image), before);
    EXPECT_TRUE(image.contains(Point(3, 1)));
    EXPECT_FALSE(image.contains(Point(3, 2)));
}

TEST(PixelStrict, AddColorClampsEachChannel) {
    Image image = Blank(3, 3, 24);
    image.set_color(Point(1, 1), Color(250, 10, 128), true);
    image.add_color(Point(1, 1), 10, -20, 0);
    EXPECT_EQ(image.get_color(Point(1, 1), true), Color(255, 0, 128));
    image.add_color(Point(-4, 0), 5, 5, 5);  // lands on the corner pixel
    EXPECT_EQ(image.get_color(Point(0, 0), true), Color(5, 5, 5));
}

TEST(PixelStrict, FormatsWithoutAccessAreRefusedUntouched) {
    Image eight = Blank(3, 3, 8);
    EXPECT_THROW(eight.get_color(Point(0, 0), true), Image::not_support);
    EXPECT_THROW(eight.set_color(Point(0, 0), Color(1, 1, 1), true), Image::not_support);
    EXPECT_THROW(eight.add_color(Point(0, 0), 1, 1, 1), Image::not_support);
    for (int bits : {16, 24, 32}) {
        Image image = Blank(3, 3, bits);
        const auto before = memory_of(image);
        EXPECT_THROW(image.get_index(Point(0, 0), true), Image::not_support) << bits;
        EXPECT_THROW(image.set_index(Point(0, 0), 1, true), Image::not_support) << bits;
        EXPECT_EQ(memory_of(image), before);
    }
    Image thirty_two = Blank(3, 3, 32);
    EXPECT_THROW(thirty_two.set_color(Point(0, 0), Color(1, 1, 1), true), Image::not_support);
    try {
        thirty_two.get_color(Point(0, 0), true);
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), messages::kNotSupported);
    }
    Image no_pixels;
    no_pixels.init_header();
    no_pixels.set_width(2);
    no_pixels.set_height(2);
    no_pixels.set_bit_count(24);
    EXPECT_THROW(no_pixels.set_color(Point(0, 0), Color(), true), Image::not_support);
    no_pixels.set_bit_count(8);
    EXPECT_THROW(no_pixels.get_index(Point(0, 0), true), Image::not_support);
}

// The row operations must leave exactly the bytes the per-pixel writes leave,
// for every served format, odd widths and values beyond the bit count.
TEST(PixelRowOperations, MatchThePerPixelWritesByteForByte) {
    std::mt19937 random(7);
    for (int bits : {1, 2, 4, 8}) {
        for (int width : {1, 3, 7, 9, 31, 33}) {
            Image by_pixel = Blank(width, 3, bits);
            Image by_row = Blank(width, 3, bits);
            std::vector<std::uint8_t> values(static_cast<std::size_t>(width));
            for (int y = 0; y < 3; ++y) {
                for (auto& v : values) v = static_cast<std::uint8_t>(random() % (y == 2 ? 256 : (1u << bits)));
                for (int x = 0; x < width; ++x) by_pixel.set_index(Point(x, y), values[x], true);
                by_row.set_index_row(y, values.data());
            }
            ASSERT_EQ(memory_of(by_row), memory_of(by_pixel)) << bits << " bits, width " << width;
        }
    }
    for (int width : {1, 2, 5}) {
        Image by_pixel = Blank(width, 2, 24);
        Image by_row = Blank(width, 2, 24);
        std::vector<std::uint8_t> bgr(3 * static_cast<std::size_t>(width));
        for (int y = 0; y < 2; ++y) {
            for (auto& v : bgr) v = static_cast<std::uint8_t>(random());
            for (int x = 0; x < width; ++x)
                by_pixel.set_color(Point(x, y), Color(bgr[3 * x + 2], bgr[3 * x + 1], bgr[3 * x]), true);
            by_row.set_color_row(y, bgr.data());
        }
        ASSERT_EQ(memory_of(by_row), memory_of(by_pixel)) << "24 bits, width " << width;
    }
    Image eight = Blank(2, 2, 8);
    const std::uint8_t row[6] = {};
    EXPECT_THROW(eight.set_color_row(0, row), Image::not_support);
    Image colour = Blank(2, 2, 24);
    EXPECT_THROW(colour.set_index_row(0, row), Image::not_support);
}

TEST(PixelRowOperations, ClearingThePaddingKeepsOnlyPixelBits) {
    Image image = Blank(5, 2, 2);  // 10 bits of 32 per row
    std::memset(image.bitmap(), 0xFF, image.image_size());
    image.clear_row_padding();
    for (int r = 0; r < 2; ++r) {
        const std::uint8_t* row = image.bitmap() + r * image.stride();
        EXPECT_EQ(row[0], 0xFF);
        EXPECT_EQ(row[1], 0xC0);
        EXPECT_EQ(row[2], 0x00);
        EXPECT_EQ(row[3], 0x00);
    }
}

TEST(PixelCopy, AssignMatchesAPerPixelCopyEvenOverDirtyPadding) {
    for (int bits : {1, 2, 4, 8, 24}) {
        Image source = Blank(13, 4, bits);
        std::mt19937 random(static_cast<unsigned>(bits));
        for (std::uint32_t i = 0; i < source.image_size(); ++i)
            source.bitmap()[i] = static_cast<std::uint8_t>(random());
        Image expected = Blank(13, 4, bits);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 13; ++x) {
                if (bits < 24) {
                    expected.set_index(Point(x, y), source.get_index(Point(x, y), true), false);
                } else {
                    expected.set_color(Point(x, y), source.get_color(Point(x, y), true), false);
                }
            }
        }
        Image copy;
        copy.assign(source);
        ASSERT_EQ(memory_of(copy), memory_of(expected)) << bits << " bits";
    }
}
