// The image model: header fields, strides, creation limits, grey ramps and
// the deep copy.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "image/Image.h"

namespace {

Image described(int width, int height, int bits) {
    Image image;
    image.init_header();
    image.set_width(width);
    image.set_height(height);
    image.set_bit_count(bits);
    return image;
}

Image created(int width, int height, int bits) {
    Image image = described(width, height, bits);
    image.create();
    return image;
}

template <typename E>
std::string message_of(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "(nothing thrown)";
}

}  // namespace

TEST(ImageHeader, NewHeaderDescribesAnUncompressedBottomUpBitmap) {
    Image image;
    EXPECT_EQ(image.info(), nullptr);
    EXPECT_EQ(image.width(), 0);
    image.init_header();
    const BitmapInfoHeader& h = image.info()->bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biClrImportant, 0u);
    EXPECT_FALSE(image.is_created());
    EXPECT_FALSE(image.is_grayscale());
}

TEST(ImageHeader, BitCountSetsThePaletteSize) {
    Image image;
    image.init_header();
    const int expected[][2] = {{1, 2}, {2, 4}, {4, 16}, {8, 256}, {16, 0}, {24, 0}, {32, 0}};
    for (const auto& [bits, entries] : expected) {
        image.set_bit_count(bits);
        EXPECT_EQ(image.palette_size(), static_cast<std::uint32_t>(entries)) << bits;
        EXPECT_EQ(image.max_palette_size(), entries) << bits;
    }
}

TEST(ImageHeader, IntegerPowerFollowsIntegerDivisionForNegativeExponents) {
    EXPECT_EQ(ipow(2, 0), 1);
    EXPECT_EQ(ipow(2, 8), 256);
    EXPECT_EQ(ipow(3, 5), 243);
    EXPECT_EQ(ipow(2, -1), 0);
    EXPECT_EQ(ipow(1, -3), 1);
}

TEST(ImageCreate, StrideIsRoundedUpToFourBytes) {
    struct Case {
        int bits, width, stride;
    };
    const Case cases[] = {{1, 10, 4}, {4, 3, 4}, {8, 5, 8},  {24, 4, 12}, {24, 5, 16}, {1, 1, 4},  {1, 33, 8},
                          {4, 9, 8},  {8, 4, 4}, {24, 1, 4}, {2, 17, 8},  {2, 16, 4},  {16, 3, 8}, {32, 3, 12}};
    for (const Case& c : cases) {
        Image image = created(c.width, 3, c.bits);
        EXPECT_EQ(image.stride(), c.stride) << c.bits << " bits, width " << c.width;
        EXPECT_EQ(image.image_size(), static_cast<std::uint32_t>(c.stride * 3));
        for (int i = 0; i < c.stride * 3; ++i) ASSERT_EQ(image.bitmap()[i], 0) << "fresh memory is zero";
    }
}

TEST(ImageCreate, RefusesUnusableSizesBeforeAllocating) {
    const int cases[][3] = {
        {0, 5, 8},         {5, 0, 8}, {-3, 5, 24},
        {5, -1, 24},       {5, 5, 0}, {2147483647, 2, 24},  // row arithmetic would overflow 32 bits
        {65536, 16385, 8},                                  // one row more than 1 GiB
    };
    for (const auto& c : cases) {
        Image image = described(c[0], c[1], c[2]);
        EXPECT_EQ(message_of<exec_error>([&] { image.create(); }), messages::kNoImageMemory);
        EXPECT_FALSE(image.is_created());
        EXPECT_NE(image.info(), nullptr) << "left described";
        EXPECT_EQ(image.width(), c[0]);
    }
    Image empty;
    EXPECT_THROW(empty.create(), exec_error);
}

TEST(ImageCreate, StrideHoldsEveryBitOfARowForEveryBitCount) {
    // The smallest multiple of 4 bytes that holds bits x width bits.
    const auto smallest = [](long long bits, long long width) {
        long long stride = 0;
        while (stride * 8 < bits * width) stride += 4;
        return stride;
    };
    for (int bits = 1; bits <= 70; ++bits) {
        for (int width = 1; width <= 40; ++width) {
            Image image = created(width, 2, bits);
            ASSERT_EQ(image.stride(), smallest(bits, width)) << bits << " bits, width " << width;
        }
    }
    for (int bits : {4095, 4096, 32767, 65535}) {
        for (int width : {1, 3, 7, 9}) {
            Image image = created(width, 1, bits);
            ASSERT_EQ(image.stride(), smallest(bits, width)) << bits << " bits, width " << width;
        }
    }
}

TEST(ImageCreate, PaddingIsClearedUpToTheEndOfEveryRow) {
    // 12 bits x 3 and 7 bits x 5 end inside their fifth byte.
    const int cases[][3] = {{12, 3, 0xF0}, {7, 5, 0xE0}, {5, 7, 0xE0}, {24, 1, 0x00}};
    for (const auto& [bits, width, last] : cases) {
        Image image = created(width, 3, bits);
        std::memset(image.bitmap(), 0xFF, image.image_size());
        image.clear_row_padding();
        for (int y = 0; y < 3; ++y) {
            const std::uint8_t* row = image.scanline(y);
            const int whole = bits * width / 8;
            for (int i = 0; i < whole; ++i) ASSERT_EQ(row[i], 0xFF) << bits << " bits, byte " << i;
            EXPECT_EQ(row[whole], last) << bits << " bits";
            for (int i = whole + 1; i < image.stride(); ++i) ASSERT_EQ(row[i], 0) << bits << " bits, byte " << i;
        }
    }
}

TEST(ImageCreate, ExtremeSizesAreCheckedWithoutWrapping) {
    constexpr int kMax = 2147483647;
    struct Case {
        int width, height, bits;
        long long stride;  // 0: refused
    };
    const Case cases[] = {
        {kMax, 1, 1, 1 << 28},  // 2^31 - 1 bits: a row of 256 MiB
        {kMax, 4, 1, 1 << 28},  // exactly the limit
        {kMax, 5, 1, 0},
        {kMax, 1, 24, 0},
        {kMax, 1, 65535, 0},
        {kMax, kMax, 65535, 0},
        {1, kMax, 1, 0},
        {1, 131072, 65535, 8192},  // exactly the limit
        {1, 131073, 65535, 0},
        // stride x height passes 64 bits and wraps to 0, 520356096 and
        // 1072865144 bytes
        {1 << 28, 1 << 24, 32768, 0},
        {2147465217, 1048601, 65535, 0},
        {2147462491, 1431669870, 48, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " at " << c.bits << " bits");
        Image image = described(c.width, c.height, c.bits);
        if (c.stride == 0) {
            EXPECT_EQ(message_of<exec_error>([&] { image.create(); }), messages::kNoImageMemory);
            EXPECT_FALSE(image.is_created());
            EXPECT_NE(image.info(), nullptr) << "left described";
            EXPECT_EQ(image.image_size(), 0u);
            continue;
        }
        image.create();
        EXPECT_EQ(image.stride(), c.stride);
        EXPECT_EQ(image.image_size(), static_cast<std::uint64_t>(c.stride) * static_cast<std::uint64_t>(c.height));
    }
}

TEST(ImageCreate, AllowsExactlyTheLimit) {
    Image image = created(65536, 16384, 8);
    EXPECT_TRUE(image.is_created());
    EXPECT_EQ(image.image_size(), 1u << 30);
}

TEST(ImageCreate, CreatingAgainReplacesThePixelMemory) {
    Image image = created(4, 4, 8);
    image.set_index(Point(1, 1), 9, true);
    image.set_width(8);
    image.create();
    EXPECT_EQ(image.stride(), 8);
    EXPECT_EQ(image.get_index(Point(1, 1), true), 0);
}

TEST(ImageLifecycle, ClearAndReleaseAreSafeInEveryState) {
    Image image = created(3, 3, 24);
    image.release_bitmap();
    EXPECT_FALSE(image.is_created());
    EXPECT_EQ(image.width(), 3) << "the header stays";
    image.release_bitmap();
    image.set_grayscale(false);
    image.clear();
    image.clear();
    EXPECT_EQ(image.info(), nullptr);
    EXPECT_EQ(image.bitmap(), nullptr);
}

TEST(ImageLifecycle, ClearKeepsTheGrayscaleFlag) {
    Image image = described(4, 4, 4);
    image.set_grayscale(true);
    image.clear();
    EXPECT_TRUE(image.is_grayscale());
}

TEST(ImageGrayscale, RampsSpanBlackToWhite) {
    const int expected_step[] = {0, 255, 85, 0, 17, 0, 0, 0, 1};
    for (int bits : {1, 2, 4, 8}) {
        Image image = described(3, 2, bits);
        image.set_grayscale(true);
        EXPECT_TRUE(image.is_created()) << "the ramp creates the pixel memory";
        EXPECT_TRUE(image.is_grayscale());
        const int levels = 1 << bits;
        for (int i = 0; i < levels; ++i) {
            const int g = i * expected_step[bits];
            ASSERT_EQ(image.palette_color(i), Color(g, g, g)) << bits << " bits, entry " << i;
        }
        EXPECT_EQ(image.palette_color(levels - 1), Color(255, 255, 255));
    }
}

TEST(ImageGrayscale, TurnsACreated24BitImageInto8Bits) {
    Image image = created(5, 2, 24);
    image.set_grayscale(true);
    EXPECT_EQ(image.bit_count(), 8);
    EXPECT_EQ(image.palette_size(), 256u);
    EXPECT_EQ(image.stride(), 8);
    EXPECT_EQ(image.palette_color(200), Color(200, 200, 200));
}

TEST(ImageGrayscale, FalseOnlyRecordsTheFlag) {
    Image image = created(2, 2, 8);
    image.set_palette_color(3, Color(1, 2, 3));
    image.set_index(Point(0, 0), 3, true);
    const std::uint8_t* before = image.bitmap();
    image.set_grayscale(false);
    EXPECT_EQ(image.bitmap(), before);
    EXPECT_EQ(image.palette_color(3), Color(1, 2, 3));
    EXPECT_EQ(image.get_index(Point(0, 0), true), 3);
}

TEST(ImageGrayscale, RefusesBitCountsWithoutARamp) {
    for (int bits : {16, 32}) {
        Image image = described(2, 2, bits);
        EXPECT_THROW(image.set_grayscale(true), Image::not_support);
        EXPECT_FALSE(image.is_grayscale());
    }
}

TEST(ImagePalette, IndexesOutsideTheTableAreIgnored) {
    Image image = created(2, 2, 8);
    image.set_palette_color(255, Color(9, 8, 7));
    image.set_palette_color(256, Color(1, 1, 1));
    image.set_palette_color(-1, Color(1, 1, 1));
    EXPECT_EQ(image.palette_color(255), Color(9, 8, 7));
    EXPECT_EQ(image.palette_color(256), Color());
    EXPECT_EQ(image.palette_color(-1), Color());
    EXPECT_EQ(image.palette_color(1000000), Color());
}

TEST(ImageAssign, CopiesAGrayscaleIndexedImageExactly) {
    Image source = described(7, 3, 4);
    source.set_grayscale(true);
    source.set_palette_color(5, Color(10, 20, 30));  // no longer a plain ramp
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) source.set_index(Point(x, y), (x * 3 + y) % 16, true);
    Image copy(source);
    EXPECT_TRUE(copy.is_grayscale());
    EXPECT_EQ(copy.bit_count(), 4);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(copy.palette_color(i), source.palette_color(i)) << i;
    ASSERT_EQ(copy.image_size(), source.image_size());
    EXPECT_EQ(std::memcmp(copy.bitmap(), source.bitmap(), source.image_size()), 0);
    EXPECT_NE(copy.bitmap(), source.bitmap()) << "copies are deep";
}

TEST(ImageAssign, FromAnImageWithoutPixelsLeavesTheTargetAsItWas) {
    Image target = created(3, 3, 24);
    target.set_color(Point(1, 1), Color(1, 2, 3), true);
    const Image empty;
    EXPECT_EQ(message_of<exec_error>([&] { target.assign(empty); }), messages::kExecError);
    Image described_only = described(3, 3, 24);
    EXPECT_THROW(target.assign(described_only), exec_error);
    EXPECT_EQ(target.get_color(Point(1, 1), true), Color(1, 2, 3));
}

TEST(ImageAssign, PixelFormatsWithoutAccessLeaveTheTargetEmpty) {
    for (int bits : {16, 32}) {
        const Image source = created(3, 3, bits);
        Image target = created(2, 2, 8);
        try {
            target.assign(source);
            FAIL() << bits << " bits copied";
        } catch (const myexception& e) {
            EXPECT_STREQ(e.what(), messages::kNotSupported);
        }
        EXPECT_EQ(target.info(), nullptr);
        EXPECT_FALSE(target.is_created());
    }
}

TEST(ImageAssign, SelfAssignmentKeepsThePicture) {
    Image image = created(2, 2, 24);
    image.set_color(Point(1, 0), Color(5, 6, 7), true);
    Image& same = image;
    image.assign(same);
    EXPECT_EQ(image.get_color(Point(1, 0), true), Color(5, 6, 7));
}

TEST(Errors, NestedExceptionsCarryTheirFixedTexts) {
    EXPECT_EQ(message_of<std::exception>([] { throw Image::not_support(); }), messages::kNotSupported);
    EXPECT_EQ(message_of<std::exception>([] { throw Image::format_error(); }), messages::kFormatError);
    EXPECT_EQ(message_of<myexception>([] { throw Image::not_support(messages::kUnsupportedFileFormat); }),
              messages::kUnsupportedFileFormat);
    const Image::format_error original;
    const Image::format_error copy(original);  // NOLINT(performance-unnecessary-copy-initialization)
    EXPECT_STREQ(copy.what(), original.what());
}
