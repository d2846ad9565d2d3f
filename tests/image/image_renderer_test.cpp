// The renderer puts image rectangles on a real surface, pixel for pixel.

#include <gtest/gtest.h>

#include <vector>

#include "display/Surface.h"
#include "image/Image.h"
#include "image/ImageRenderer.h"

namespace {

// Pixel (x, y) of the picture gets a colour that names its position.
Image Numbered(int w, int h) {
    Image image;
    image.init_header();
    image.set_width(w);
    image.set_height(h);
    image.set_bit_count(24);
    image.create();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.set_color(Point(x, y), Color(x, y, 7), true);
    return image;
}

using RendererTest = ::testing::Test;

TEST_F(RendererTest, DrawCopiesTheSourceRectangleAtTheSameSize) {
    const platform::Rgb fill{1, 2, 3};
    display::Surface surface(160, 240, fill);
    Image image = Numbered(40, 30);
    ImageRenderer().draw(image, *surface.Context(), Point(100, 200), Rect(10, 20, 30, 25), false);
    for (int y = 195; y < 210; ++y) {
        for (int x = 95; x < 125; ++x) {
            const bool inside = x >= 100 && x < 120 && y >= 200 && y < 205;
            const platform::Rgb want =
                inside ? platform::Rgb{std::uint8_t(x - 100 + 10), std::uint8_t(y - 200 + 20), 7} : fill;
            ASSERT_EQ(surface.Pixel(x, y), want) << x << "," << y;
        }
    }
}

TEST_F(RendererTest, DrawAllWithPaletteRealisationDrawsTheWholePicture) {
    display::Surface surface(8, 8, {0, 0, 0});
    Image image = Numbered(5, 3);
    ASSERT_EQ(image.palette_size(), 0u);
    ImageRenderer().draw_all(image, *surface.Context(), Point(2, 1), true);
    EXPECT_EQ(surface.Pixel(2, 1), (platform::Rgb{0, 0, 7}));
    EXPECT_EQ(surface.Pixel(6, 3), (platform::Rgb{4, 2, 7}));
    EXPECT_EQ(surface.Pixel(7, 3), (platform::Rgb{0, 0, 0}));
    EXPECT_EQ(surface.Pixel(6, 4), (platform::Rgb{0, 0, 0}));
}

TEST_F(RendererTest, RefusesImagesWithoutMemoryAndIndexedImagesDrawingNothing) {
    display::Surface surface(4, 4, {9, 9, 9});
    Image cleared = Numbered(4, 4);
    cleared.clear();
    try {
        ImageRenderer().draw_all(cleared, *surface.Context(), Point(0, 0), false);
        FAIL() << "no exception";
    } catch (const exec_error& e) {
        EXPECT_STREQ(e.what(), "実行エラー");
    }
    Image indexed;
    indexed.init_header();
    indexed.set_width(4);
    indexed.set_height(4);
    indexed.set_bit_count(8);
    indexed.create();
    EXPECT_THROW(ImageRenderer().draw_all(indexed, *surface.Context(), Point(0, 0), true), Image::not_support);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) ASSERT_EQ(surface.Pixel(x, y), (platform::Rgb{9, 9, 9}));
}

}  // namespace
