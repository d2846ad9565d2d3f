// The colour depth operation: its colour count, the colour increase held to
// the per-pixel form byte for byte, its notifications and cancelling, and
// what it refuses.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "colour/ColorDepthFilter.h"
#include "colour/RowProgress.h"
#include "image/Image.h"
#include "platform/PostedMessage.h"
#include "tests/colour/ImageBytes.h"
#include "tests/colour/PerPixelIncrease.h"
#include "tests/image/BlankImage.h"

namespace {

class RecordingWindow : public platform::MessageWindow {
public:
    bool Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        if (message == ImageFilter::set_string_message()) captions.push_back(reinterpret_cast<const char*>(lParam));
        if (message == ImageFilter::progress_message()) progress.push_back(static_cast<int>(wParam));
        ++count;
        return true;
    }
    std::vector<const char*> captions;
    std::vector<int> progress;
    int count = 0;
};

using colour_test::SameBytes;
using colour_test::Snapshot;

// An indexed picture with pseudo-random indexes over the whole range of the
// depth (so also beyond the palette entries set), a colour in the header
// slot past the depth's entries, and every padding bit of every row set.
Image Indexed(int bits, int width, int height, bool grey, int entries, unsigned seed) {
    Image image;
    image.init_header();
    image.set_width(width);
    image.set_height(height);
    image.set_bit_count(bits);
    for (int i = 0; i < entries; ++i)
        image.set_palette_color(i, Color(i * 37 + 11, 255 - i * 13, i * 101 + static_cast<int>(seed)));
    if (bits < 8) image.set_palette_color(255, Color(1, 2, 3));
    if (grey) image.set_grayscale(true);
    image.create();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            image.set_index(Point(x, y), static_cast<int>((seed >> 16) % (1u << bits)), true);
        }
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.scanline(y);
        for (int bit = width * bits; bit < image.stride() * 8; ++bit) row[bit / 8] |= 0x80 >> (bit % 8);
    }
    return image;
}

Image Direct(int bits, int width, int height) { return image_test::Blank(width, height, bits); }

auto Execute(ColorDepthFilter& filter, const Image& image) {
    return colour_test::Execute<RecordingWindow>(filter, image);
}

using ColorDepthFilterTest = ::testing::Test;

TEST_F(ColorDepthFilterTest, ColourCountIsThePowerUnlessFewerAreAskedFor) {
    const struct {
        int target, requested, expected;
    } cases[] = {
        {24, 0, 16777216},
        {24, 16777217, 16777216},
        {8, 300, 256},
        {8, 0, 256},
        {8, -5, 256},
        {4, 10, 10},
        {1, 2, 2},
        {1, 3, 2},
        {0, 0, 1},
        {0, 7, 1},
        {-3, 0, 1},
        {INT_MIN, 5, 1},
        {30, 0, 1 << 30},
        {31, 0, INT_MAX},
        {31, 5, 5},
        {64, 0, INT_MAX},
        {INT_MAX, INT_MAX, INT_MAX},
    };
    for (const auto& c : cases) {
        ImageFilter::cancel_requested = true;
        const ColorDepthFilter filter(c.target, c.requested, c.target % 2 == 0);
        EXPECT_EQ(filter.color_count(), c.expected) << c.target << " bits, " << c.requested << " asked";
        EXPECT_EQ(filter.target_bit_count(), c.target);
        EXPECT_EQ(filter.error_diffusion(), c.target % 2 == 0);
        EXPECT_FALSE(ImageFilter::cancel_requested);
    }
}

TEST_F(ColorDepthFilterTest, IncreaseEqualsThePerPixelFormByteForByteAndLeavesTheInput) {
    const struct {
        int bits, target;
        bool grey;
        int entries;
    } cases[] = {
        {1, 24, false, 2}, {1, 24, false, 1}, {1, 24, true, 0},  {2, 24, false, 3},   {2, 24, true, 0},
        {4, 24, false, 5}, {4, 24, true, 0},  {8, 24, false, 7}, {8, 24, false, 256}, {8, 24, true, 0},
        {1, 2, false, 2},  {1, 4, false, 1},  {1, 8, true, 0},   {2, 4, false, 3},    {2, 8, false, 4},
        {4, 8, false, 9},  {4, 8, true, 0},
    };
    unsigned seed = 1;
    for (const auto& c : cases) {
        for (const int width : {1, 3, 4, 5, 7, 8, 9, 13, 33}) {
            for (const int height : {1, 2, 5}) {
                SCOPED_TRACE(testing::Message()
                             << c.bits << " -> " << c.target << (c.grey ? " grey " : " ") << width << "x" << height);
                Image source = Indexed(c.bits, width, height, c.grey, c.entries, ++seed);
                const auto before = Snapshot(source);
                ColorDepthFilter filter(c.target, 0, true);
                const auto run = Execute(filter, source);
                ASSERT_TRUE(run->completed);
                ASSERT_EQ(run->out.size(), 1u);
                EXPECT_TRUE(SameBytes(*run->out[0], *colour_test::PerPixelIncrease(source, c.target)));
                EXPECT_EQ(Snapshot(source), before);
                EXPECT_EQ(run->window.count, 1 + height);
            }
        }
    }
}

TEST_F(ColorDepthFilterTest, OneBitGivesPurePaletteColoursAndRowProgressBelowHundred) {
    const struct {
        int height;
        std::vector<int> progress;
    } cases[] = {{1, {0}}, {3, {0, 33, 66}}, {4, {0, 25, 50, 75}}, {7, {0, 14, 28, 42, 57, 71, 85}}};
    const Color dark(10, 20, 30), light(200, 100, 50);
    for (const auto& c : cases) {
        Image source = Indexed(1, 11, c.height, false, 0, 0);
        source.set_palette_color(0, dark);
        source.set_palette_color(1, light);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < 11; ++x) source.set_index(Point(x, y), (x + y) % 3 == 0, true);
        ColorDepthFilter filter(24, 0, true);
        const auto run = Execute(filter, source);
        ASSERT_TRUE(run->completed);
        const Image& result = *run->out.at(0);
        ASSERT_EQ(result.bit_count(), 24);
        EXPECT_EQ(result.palette_size(), 0u);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < 11; ++x)
                EXPECT_EQ(result.get_color(Point(x, y), true), (x + y) % 3 == 0 ? light : dark) << x << "," << y;
        ASSERT_EQ(run->window.captions.size(), 1u);
        EXPECT_STREQ(run->window.captions[0], captions::kIncreasingColours);
        EXPECT_EQ(run->window.progress, c.progress);
    }
}

TEST_F(ColorDepthFilterTest, GreyPicturesGiveEqualChannelsOnTheirRamp) {
    const struct { int bits, step; } cases[] = {{1, 255}, {2, 85}, {4, 17}, {8, 1}};
    for (const auto& c : cases) {
        Image source = Indexed(c.bits, 19, 3, true, 0, 7);
        ColorDepthFilter filter(24, 0, true);
        const auto run = Execute(filter, source);
        const Image& result = *run->out.at(0);
        EXPECT_FALSE(result.is_grayscale());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 19; ++x) {
                const int level = source.get_index(Point(x, y), true) * c.step;
                EXPECT_EQ(result.get_color(Point(x, y), true), Color(level, level, level));
            }
    }
}

TEST_F(ColorDepthFilterTest, TwentyFourToTwentyFourIsAPlainCopyWithoutMessages) {
    Image source = Direct(24, 5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) source.set_color(Point(x, y), Color(x * 50, y * 90, x + y), true);
    ColorDepthFilter filter(24, 0, true);
    const auto run = Execute(filter, source);
    ASSERT_TRUE(run->completed);
    ASSERT_EQ(run->out.size(), 1u);
    EXPECT_NE(run->out[0].get(), &source);
    EXPECT_TRUE(SameBytes(*run->out[0], source));
    EXPECT_EQ(run->window.count, 0);
}

TEST_F(ColorDepthFilterTest, CancelAfterARowLeavesNothingAndClearsTheFlag) {
    const struct { int bits, target; } cases[] = {{1, 24}, {4, 8}, {8, 24}};
    for (const auto& c : cases) {
        Image source = Indexed(c.bits, 9, 6, false, 4, 3);
        ColorDepthFilter filter(c.target, 0, true);
        ImageFilter::cancel_requested = true;
        const auto cancelled = Execute(filter, source);
        EXPECT_FALSE(cancelled->completed);
        EXPECT_TRUE(cancelled->out.empty());
        EXPECT_FALSE(ImageFilter::cancel_requested);
        EXPECT_EQ(cancelled->window.captions.size(), 1u);
        EXPECT_TRUE(cancelled->window.progress.empty());
        // The flag was spent: the next run goes through.
        const auto again = Execute(filter, source);
        ASSERT_TRUE(again->completed);
        EXPECT_TRUE(SameBytes(*again->out.at(0), *colour_test::PerPixelIncrease(source, c.target)));
    }
}

TEST_F(ColorDepthFilterTest, RefusalsAppendNothingAndLeaveTheInput) {
    enum Kind { kExec, kNotSupport, kAnyOfTheFamily };
    const struct {
        const char* what;
        Image (*make)();
        int target;
        Kind kind;
        const char* message;
    } cases[] = {
        {"no pixel memory",
         [] {
             Image i = Direct(8, 4, 4);
             i.release_bitmap();
             return i;
         },
         24, kNotSupport, messages::kNotSupported},
        {"24 down to 3", [] { return Direct(24, 3, 2); }, 3, kNotSupport, messages::kNotSupported},
        {"24 down to 16", [] { return Direct(24, 3, 2); }, 16, kNotSupport, messages::kNotSupported},
        {"24 down to 0", [] { return Direct(24, 3, 2); }, 0, kNotSupport, messages::kNotSupported},
        {"8 down to -1", [] { return Indexed(8, 3, 2, false, 4, 1); }, -1, kNotSupport, messages::kNotSupported},
        {"16 down to 8", [] { return Direct(16, 3, 2); }, 8, kNotSupport, messages::kNotSupported},
        {"32 down to 24", [] { return Direct(32, 3, 2); }, 24, kNotSupport, messages::kNotSupported},
        {"12 at its own depth", [] { return Direct(12, 3, 2); }, 12, kNotSupport, messages::kNotSupported},
        {"1 up to 3", [] { return Indexed(1, 3, 2, false, 2, 1); }, 3, kNotSupport, messages::kNotSupported},
        {"8 up to 16", [] { return Indexed(8, 3, 2, false, 2, 1); }, 16, kNotSupport, messages::kNotSupported},
        {"8 up to 32", [] { return Indexed(8, 3, 2, false, 2, 1); }, 32, kNotSupport, messages::kNotSupported},
        {"8 up to 65560", [] { return Indexed(8, 3, 2, false, 2, 1); }, 65560, kNotSupport, messages::kNotSupported},
        {"16 up to 24", [] { return Direct(16, 3, 2); }, 24, kNotSupport, messages::kNotSupported},
        {"32 up to 48", [] { return Direct(32, 3, 2); }, 48, kExec, messages::kExecError},
        {"32 at its own depth", [] { return Direct(32, 3, 2); }, 32, kAnyOfTheFamily, messages::kNotSupported},
        {"result too large", [] { return Direct(1, 40000, 10000); }, 24, kExec, messages::kNoImageMemory},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Image source = c.make();
        const auto before = Snapshot(source);
        ColorDepthFilter filter(c.target, 0, true);
        ImageFilter::ImageList in{&source};
        ImageFilter::ImageResults out;
        try {
            filter.execute(in.begin(), in.end(), out);
            ADD_FAILURE() << "no error";
        } catch (const myexception& e) {
            EXPECT_STREQ(e.what(), c.message);
            if (c.kind == kExec) {
                EXPECT_NE(dynamic_cast<const exec_error*>(&e), nullptr);
            }
            if (c.kind == kNotSupport) {
                EXPECT_NE(dynamic_cast<const Image::not_support*>(&e), nullptr);
            }
        }
        EXPECT_TRUE(out.empty());
        EXPECT_EQ(Snapshot(source), before);
    }
    ColorDepthFilter filter(24, 0, true);
    ImageFilter::ImageResults out;
    for (const ImageFilter::ImageList& in : {ImageFilter::ImageList{}, ImageFilter::ImageList{nullptr}})
        EXPECT_THROW(filter.execute(in.begin(), in.end(), out), exec_error);
    EXPECT_TRUE(out.empty());
}

TEST(RowProgressTest, PercentOfRowsDoneNeverOverflows) {
    const struct {
        int done, rows, expected;
    } cases[] = {{0, 4, 0}, {3, 4, 75}, {2, 3, 66}, {21474837, 21474838, 99}, {INT_MAX - 1, INT_MAX, 99}, {5, 0, 0}};
    for (const auto& c : cases) EXPECT_EQ(colour::row_percent(c.done, c.rows), c.expected) << c.done << "/" << c.rows;
}

}  // namespace
