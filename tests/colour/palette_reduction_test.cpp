// The reduction to a palette: held byte for byte and message for message to
// the plain step-by-step form, the hand-worked cases of box cutting, means
// and nearest entries, cancelling in every phase, and what an error leaves.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "colour/ColorDepthFilter.h"
#include "colour/PaletteSearch.h"
#include "image/Image.h"
#include "platform/PostedMessage.h"
#include "tests/colour/ImageBytes.h"
#include "tests/colour/ReferenceReduction.h"
#include "tests/image/BlankImage.h"

namespace {

using colour_test::Notice;
using colour_test::ReferenceReduce;
using colour_test::SameBytes;
using colour_test::Snapshot;

class RecordingWindow : public platform::MessageWindow {
public:
    bool Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        if (message == ImageFilter::set_string_message())
            notices.push_back({reinterpret_cast<const char*>(lParam), -1});
        else if (message == ImageFilter::progress_message())
            notices.push_back({nullptr, static_cast<int>(wParam)});
        return true;
    }
    std::vector<Notice> notices;
};

// Sets the cancel flag as soon as the given caption is posted to it.
class CancellingWindow : public RecordingWindow {
public:
    explicit CancellingWindow(const char* at) : at_(at) {}
    bool Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        RecordingWindow::Post(message, wParam, lParam);
        if (message == ImageFilter::set_string_message() && at_ != nullptr &&
            std::strcmp(reinterpret_cast<const char*>(lParam), at_) == 0) {
            ImageFilter::cancel_requested = true;
            at_ = nullptr;  // once
        }
        return true;
    }

private:
    const char* at_;
};

Image Blank(int bits, int width, int height) { return image_test::Blank(width, height, bits); }

std::uint32_t Next(std::uint32_t& seed) {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
}

enum class Kind { Cluster, Gradient, FewColours, RedRamp, Dark, Light, OneApart, Palette8, Palette4, Palette1, Grey8 };

// Pictures whose colours stay within a modest part of the cube, so that the
// plain form (which visits boxes cell by cell) stays quick.
Image Picture(Kind kind, int width, int height, std::uint32_t seed) {
    const int bits = kind == Kind::Palette8 || kind == Kind::Grey8 ? 8
                     : kind == Kind::Palette4                      ? 4
                     : kind == Kind::Palette1                      ? 1
                                                                   : 24;
    Image image = Blank(bits, width, height);
    if (bits < 24) {
        for (int i = 0; i < (1 << bits); ++i)
            image.set_palette_color(
                i, Color(40 + static_cast<int>(Next(seed) % 30), 100 + static_cast<int>(Next(seed) % 20),
                         static_cast<int>(Next(seed) % 30)));
        if (kind == Kind::Grey8) image.set_grayscale(true);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.set_index(Point(x, y), static_cast<int>(Next(seed) % (1u << bits)), true);
        return image;
    }
    const Color few[] = {{10, 200, 30}, {12, 202, 33}, {90, 150, 60}, {91, 151, 61}, {50, 180, 40}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int n = static_cast<int>(Next(seed) % 9) - 4;
            Color c;
            switch (kind) {
                case Kind::Cluster:
                    c = Color(120 + static_cast<int>(Next(seed) % 30), 30 + static_cast<int>(Next(seed) % 20),
                              200 + static_cast<int>(Next(seed) % 30));
                    break;
                case Kind::Gradient:
                    c = Color(60 + x * 40 / width + n, 90 + y * 30 / height + n, 150 + (x + y) % 20 - n);
                    break;
                case Kind::FewColours:
                    c = few[Next(seed) % 5];
                    break;
                case Kind::OneApart:
                    c = (x + y) % 2 ? Color(7, 8, 9) : Color(8, 9, 10);
                    break;
                // Near the ends of the range, where diffused errors saturate.
                case Kind::Dark:
                    c = Color(static_cast<int>(Next(seed) % 21), static_cast<int>(Next(seed) % 21), n + 4);
                    break;
                case Kind::Light:
                    c = Color(255 - static_cast<int>(Next(seed) % 21), 250 + n,
                              255 - static_cast<int>(Next(seed) % 13));
                    break;
                default:
                    c = Color(x * 255 / std::max(1, width - 1), 70 + n, 20 + (y & 3));
                    break;
            }
            image.set_color(Point(x, y), c, true);
        }
    return image;
}

auto Execute(ColorDepthFilter& filter, const Image& image) {
    return colour_test::Execute<RecordingWindow>(filter, image);
}

using PaletteReductionTest = ::testing::Test;

TEST_F(PaletteReductionTest, EqualsThePlainFormByteForByteWithTheSameMessages) {
    const struct {
        Kind kind;
        int target, count;
    } cases[] = {
        {Kind::Cluster, 8, 0},    {Kind::Cluster, 8, 37},   {Kind::Cluster, 4, 0},   {Kind::Cluster, 2, 3},
        {Kind::Cluster, 1, 0},    {Kind::Gradient, 8, 0},   {Kind::Gradient, 4, 16}, {Kind::Gradient, 2, 0},
        {Kind::FewColours, 8, 0}, {Kind::FewColours, 1, 0}, {Kind::RedRamp, 8, 0},   {Kind::RedRamp, 8, 200},
        {Kind::RedRamp, 4, 5},    {Kind::Dark, 1, 0},       {Kind::Dark, 2, 0},      {Kind::Light, 1, 0},
        {Kind::Light, 4, 9},      {Kind::OneApart, 8, 0},   {Kind::Palette8, 8, 0},  {Kind::Palette8, 4, 0},
        {Kind::Palette4, 4, 7},   {Kind::Palette4, 2, 0},   {Kind::Palette1, 1, 0},  {Kind::Grey8, 8, 64},
        {Kind::Grey8, 1, 0},
    };
    const struct { int width, height; } sizes[] = {{1, 1}, {1, 6}, {7, 1}, {5, 3}, {23, 17}, {48, 31}};
    std::uint32_t seed = 5;
    for (const auto& c : cases)
        for (const auto& size : sizes)
            for (const bool diffusion : {false, true}) {
                SCOPED_TRACE(testing::Message() << "kind " << static_cast<int>(c.kind) << ", " << size.width << "x"
                                                << size.height << " to " << c.target << " bits, " << c.count
                                                << " colours" << (diffusion ? ", diffused" : ""));
                const Image source = Picture(c.kind, size.width, size.height, ++seed);
                const auto before = Snapshot(source);
                ColorDepthFilter filter(c.target, c.count, diffusion);
                const auto expected = ReferenceReduce(source, c.target, filter.color_count(), diffusion);
                const auto run = Execute(filter, source);
                ASSERT_TRUE(run->completed);
                ASSERT_EQ(run->out.size(), 1u);
                EXPECT_TRUE(SameBytes(*run->out[0], *expected.image));
                EXPECT_EQ(filter.color_count(), expected.colours);
                EXPECT_TRUE(run->window.notices == expected.notices);
                EXPECT_EQ(Snapshot(source), before);
            }
}

TEST_F(PaletteReductionTest, BoxMeansWeighEmptyCellsOneAndNeverOverflow) {
    const struct {
        const char* what;
        std::vector<std::pair<Color, int>> colours;  // colour, pixels of it
        int count;
        std::vector<Color> palette;
    } cases[] = {
        // Lengths 1, 1, 1: no cut; the mean of the 8 cells floors to the low corner.
        {"one apart", {{{10, 21, 30}, 5}, {{11, 20, 31}, 3}}, 256, {{10, 20, 30}}},
        // 15 cells, 13 of them empty: red (4 + 26) / 20, green (2 + 13) / 20.
        {"mostly empty", {{{0, 0, 0}, 6}, {{4, 2, 0}, 1}}, 1, {{1, 0, 0}}},
        // Cut at red 2; each half shrinks onto its one colour.
        {"two apart", {{{0, 0, 0}, 6}, {{4, 2, 0}, 1}}, 2, {{0, 0, 0}, {4, 2, 0}}},
        // The whole cube: sums near 2.4e9 against 17777214 weights.
        {"whole cube", {{{0, 0, 0}, 1}, {{255, 255, 255}, 999999}}, 1, {{134, 134, 134}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int pixels = 0;
        for (const auto& [colour, n] : c.colours) pixels += n;
        Image source = Blank(24, pixels, 1);
        int x = 0;
        for (const auto& [colour, n] : c.colours)
            for (int k = 0; k < n; ++k) source.set_color(Point(x++, 0), colour, true);
        ColorDepthFilter filter(8, c.count, false);
        const auto run = Execute(filter, source);
        ASSERT_TRUE(run->completed);
        ASSERT_EQ(filter.color_count(), static_cast<int>(c.palette.size()));
        for (std::size_t i = 0; i < c.palette.size(); ++i)
            EXPECT_EQ(run->out[0]->palette_color(static_cast<int>(i)), c.palette[i]) << i;
    }
}

TEST_F(PaletteReductionTest, DistinctColoursTwoApartEachGetTheirOwnEntry) {
    const struct {
        int target, count, distinct;
        bool diffusion;
    } cases[] = {{4, 16, 16, true}, {4, 16, 16, false}, {8, 0, 16, true}, {8, 0, 5, false}, {2, 0, 4, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.distinct << " colours to " << c.target << " bits");
        Image source = Blank(24, 13, 9);
        std::map<std::uint32_t, Color> colours;
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 13; ++x) {
                const int i = (x * 7 + y * 3) % c.distinct;
                const Color colour(i * 16, (i % 4) * 60 + 2, 250 - (i / 4) * 2);
                source.set_color(Point(x, y), colour, true);
            }
        ColorDepthFilter filter(c.target, c.count, c.diffusion);
        const auto run = Execute(filter, source);
        ASSERT_TRUE(run->completed);
        EXPECT_EQ(filter.color_count(), c.distinct);
        const Image& result = *run->out[0];
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 13; ++x)
                EXPECT_EQ(result.palette_color(result.get_index(Point(x, y), true)),
                          source.get_color(Point(x, y), true));
    }
}

TEST_F(PaletteReductionTest, AnotherReductionAsksForNoMoreColoursThanTheLastMade) {
    Image few = Picture(Kind::FewColours, 30, 20, 3);
    Image many = Picture(Kind::Cluster, 30, 20, 4);
    ColorDepthFilter filter(8, 0, true);
    ASSERT_EQ(filter.color_count(), 256);
    const auto first = Execute(filter, few);
    // The colours 1 apart share a box: 5 colours, 4 boxes.
    EXPECT_EQ(filter.color_count(), 4);
    const auto second = Execute(filter, many);
    ASSERT_TRUE(second->completed);
    EXPECT_EQ(filter.color_count(), 4);
    EXPECT_TRUE(SameBytes(*second->out[0], *ReferenceReduce(many, 8, 4, true).image));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) EXPECT_LT(second->out[0]->get_index(Point(x, y), true), 4);
    for (int i = 4; i < 256; ++i) EXPECT_EQ(second->out[0]->palette_color(i), Color()) << "entry " << i << " written";
}

TEST_F(PaletteReductionTest, WithoutDiffusionEqualColoursGetEqualIndexes) {
    for (const Kind kind : {Kind::Cluster, Kind::Gradient, Kind::Palette8}) {
        const Image source = Picture(kind, 80, 60, 9);
        for (const bool diffusion : {false, true}) {
            ColorDepthFilter filter(4, 0, diffusion);
            const auto run = Execute(filter, source);
            ASSERT_TRUE(run->completed);
            std::map<std::uint32_t, int> index_of;
            bool consistent = true;
            for (int y = 0; y < 60; ++y)
                for (int x = 0; x < 80; ++x) {
                    const Color c = source.bit_count() == 24
                                        ? source.get_color(Point(x, y), true)
                                        : source.palette_color(source.get_index(Point(x, y), true));
                    const auto [it, fresh] = index_of.emplace(c.red << 16 | c.green << 8 | c.blue,
                                                              run->out[0]->get_index(Point(x, y), true));
                    consistent = consistent && (fresh || it->second == run->out[0]->get_index(Point(x, y), true));
                }
            // Diffusion spreads equal colours over several entries.
            EXPECT_EQ(consistent, !diffusion) << static_cast<int>(kind);
        }
    }
}

TEST(PaletteSearchTest, NearestIsTheLowestIndexAmongEquals) {
    const std::vector<Color> several = {{0, 0, 0}, {10, 0, 0}, {10, 0, 0}, {0, 10, 0}, {5, 5, 5}, {255, 255, 255}};
    // (8, 8, 8) is as far from both; the first lies wholly outside the
    // probe's cell, exactly as far off as the second's farthest corner.
    const std::vector<Color> corner = {{4, 4, 4}, {12, 12, 12}};
    const struct {
        const std::vector<Color>* palette;
        Color probe;
        int expected;
    } cases[] = {
        {&several, {5, 0, 0}, 0},   // 25 from 0, 1 and 2
        {&several, {10, 0, 0}, 1},  // exact on 1 and 2
        {&several, {8, 0, 0}, 1},       {&several, {5, 5, 0}, 4},       {&several, {0, 5, 0}, 0},
        {&several, {10, 10, 0}, 4},  // 75 from 4 against 100 from 1, 2 and 3
        {&several, {200, 200, 200}, 5}, {&several, {128, 128, 128}, 4}, {&several, {5, 5, 5}, 4},
        {&corner, {8, 8, 8}, 0},        {&corner, {9, 8, 8}, 1},        {&corner, {7, 8, 8}, 0},
    };
    for (const auto& c : cases) {
        PaletteSearch search(*c.palette);
        EXPECT_EQ(search.nearest(c.probe.red, c.probe.green, c.probe.blue), c.expected)
            << int(c.probe.red) << "," << int(c.probe.green) << "," << int(c.probe.blue);
    }
}

TEST(PaletteSearchTest, AgreesWithAScanOfEveryEntry) {
    std::uint32_t seed = 77;
    for (const int entries : {1, 2, 3, 16, 100, 256}) {
        for (const int spread : {4, 64, 256}) {
            std::vector<Color> palette;
            for (int i = 0; i < entries; ++i)
                palette.emplace_back(static_cast<int>(Next(seed) % spread), static_cast<int>(Next(seed) % spread),
                                     static_cast<int>(Next(seed) % spread));
            PaletteSearch search(palette);
            for (int probe = 0; probe < 3000; ++probe) {
                const int r = static_cast<int>(Next(seed) % 256), g = static_cast<int>(Next(seed) % 256),
                          b = static_cast<int>(Next(seed) % 256);
                int best = 0, best_distance = INT_MAX;
                for (int i = 0; i < entries; ++i) {
                    const int d = (r - palette[i].red) * (r - palette[i].red) +
                                  (g - palette[i].green) * (g - palette[i].green) +
                                  (b - palette[i].blue) * (b - palette[i].blue);
                    if (d < best_distance) best_distance = d, best = i;
                }
                ASSERT_EQ(search.nearest(r, g, b), best) << entries << " entries, spread " << spread;
            }
        }
    }
}

TEST_F(PaletteReductionTest, CancelInAnyPhaseLeavesNothingAndClearsTheFlag) {
    const struct {
        const char* what;
        Kind kind;
        const char* at;
        int extra;     // notices after the caption before it stops
        bool counted;  // the boxes were made, so the colour count changed
    } cases[] = {
        {"widening", Kind::Palette8, captions::kIncreasingColours, 0, false},
        {"histogram", Kind::Cluster, captions::kHistogram, 1, false},
        {"histogram of a palette picture", Kind::Palette8, captions::kHistogram, 1, false},
        {"boxes", Kind::Gradient, captions::kPalette, 1, false},
        // No box can be cut, so nothing looks at the flag until the mapping.
        {"boxes that cannot be cut", Kind::OneApart, captions::kPalette, 3, true},
        {"mapping", Kind::Cluster, captions::kMapping, 0, true},
        {"mapping of a palette picture", Kind::Grey8, captions::kMapping, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Image source = Picture(c.kind, 20, 10, 21);
        const auto before = Snapshot(source);
        ColorDepthFilter filter(8, 50, true);
        CancellingWindow window(c.at);
        filter.set_notify_window(&window);
        ImageFilter::ImageList in{const_cast<Image*>(&source)};
        ImageFilter::ImageResults out;
        EXPECT_FALSE(filter.execute(in.begin(), in.end(), out));
        EXPECT_TRUE(out.empty());
        EXPECT_FALSE(ImageFilter::cancel_requested);
        EXPECT_EQ(Snapshot(source), before);

        const auto expected = ReferenceReduce(source, 8, 50, true);
        std::size_t stop = 0;
        while (stop < expected.notices.size() && !(expected.notices[stop] == Notice{c.at, -1})) ++stop;
        ASSERT_LT(stop, expected.notices.size());
        const std::vector<Notice> prefix(expected.notices.begin(),
                                         expected.notices.begin() + static_cast<std::ptrdiff_t>(stop + 1 + c.extra));
        EXPECT_TRUE(window.notices == prefix) << window.notices.size() << " notices against " << prefix.size();
        EXPECT_EQ(filter.color_count(), c.counted ? expected.colours : 50);

        // Nothing of the cancelled run stays behind: the same object now
        // gives what a fresh one asking for as many colours gives.
        ColorDepthFilter again(8, 50, true);
        ImageFilter::ImageResults fresh;
        ASSERT_TRUE(filter.execute(in.begin(), in.end(), out));
        ASSERT_TRUE(again.execute(in.begin(), in.end(), fresh));
        EXPECT_TRUE(SameBytes(*out.at(0), *fresh.at(0)));
        EXPECT_TRUE(SameBytes(*out.at(0), *expected.image));
    }
}

TEST_F(PaletteReductionTest, AnErrorMidwayPassesOnAndLeavesNothing) {
    // Widening this picture to 24 bits needs more pixel memory than allowed.
    Image huge = Blank(1, 40000, 10000);
    const auto before = Snapshot(huge);
    Image small = Picture(Kind::Gradient, 12, 7, 2);
    ColorDepthFilter filter(1, 0, true);
    ImageFilter::ImageResults out;
    ImageFilter::ImageList in{&huge};
    try {
        filter.execute(in.begin(), in.end(), out);
        ADD_FAILURE() << "no error";
    } catch (const exec_error& e) {
        EXPECT_STREQ(e.what(), messages::kNoImageMemory);
    }
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(Snapshot(huge), before);
    EXPECT_EQ(filter.color_count(), 2);
    ImageFilter::ImageList next{&small};
    ASSERT_TRUE(filter.execute(next.begin(), next.end(), out));
    EXPECT_TRUE(SameBytes(*out.at(0), *ReferenceReduce(small, 1, 2, true).image));
}

// Smooth shading with fine noise, as in a photograph.
Image Photo(int width, int height) {
    Image image = Blank(24, width, height);
    std::uint32_t seed = 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
            const int n = static_cast<int>(Next(seed) % 7) - 3;
            image.set_color(Point(x, y),
                            Color(static_cast<int>(230 * u * (1 - v) + 20) + n,
                                  static_cast<int>(200 * std::sin(3.1 * u * v) + 30) + n,
                                  static_cast<int>(180 * v + 60 * std::cos(6 * u)) + 40 - n),
                            true);
        }
    return image;
}

TEST_F(PaletteReductionTest, APhotographKeepsItsColoursClose) {
    const Image photo = Photo(320, 240);
    const struct {
        int target;
        bool diffusion;
        double pixel_error, block_error;  // mean per channel, of pixels and of 8 x 8 block means
    } cases[] = {{8, false, 6.0, 3.5}, {8, true, 7.0, 1.5}, {4, true, 25.0, 12.0}};
    for (const auto& c : cases) {
        ColorDepthFilter filter(c.target, 0, c.diffusion);
        const auto run = Execute(filter, photo);
        const Image& result = *run->out.at(0);
        double pixel_error = 0, block_error = 0;
        for (int by = 0; by < 240; by += 8)
            for (int bx = 0; bx < 320; bx += 8) {
                int block[3] = {0, 0, 0};
                for (int y = by; y < by + 8; ++y)
                    for (int x = bx; x < bx + 8; ++x) {
                        const Color a = photo.get_color(Point(x, y), true);
                        const Color b = result.palette_color(result.get_index(Point(x, y), true));
                        const int d[3] = {a.red - b.red, a.green - b.green, a.blue - b.blue};
                        for (int k = 0; k < 3; ++k) {
                            pixel_error += std::abs(d[k]);
                            block[k] += d[k];
                        }
                    }
                for (const int d : block) block_error += std::abs(d) / 64.0;
            }
        pixel_error /= 320.0 * 240 * 3;
        block_error /= 40.0 * 30 * 3;
        EXPECT_LT(pixel_error, c.pixel_error) << c.target << (c.diffusion ? " diffused" : "");
        EXPECT_LT(block_error, c.block_error) << c.target << (c.diffusion ? " diffused" : "");
        std::printf("%d bits%s: mean error %.2f per pixel, %.2f per 8x8 block\n", c.target,
                    c.diffusion ? " diffused" : "", pixel_error, block_error);
    }
}

}  // namespace
