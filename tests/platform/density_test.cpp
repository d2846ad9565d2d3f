// Drawing on surfaces of 1, 1.5 and 2 device pixels per logical pixel: edges
// on whole device pixels without seams, pictures copied pixel for pixel, text
// rasterised at the device's resolution.

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/PainterContext.h"
#include "platform/Surface.h"

namespace {

using platform::Rgb;

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{200, 0, 0};
constexpr Rgb kGreen{0, 200, 0};
constexpr Rgb kBlue{0, 0, 200};

// Which logical pixel each device column (or row) belongs to, worked out by
// hand: at 1.5 the logical pixels take 2, 1, 2, 1, ... device pixels.
struct Density {
    double ratio;
    std::vector<int> owner;  // device pixel -> logical pixel, for logical 0 .. 6
};

const std::vector<Density> kDensities = {
    {1.0, {0, 1, 2, 3, 4, 5, 6}},
    {1.5, {0, 0, 1, 2, 2, 3, 4, 4, 5, 6, 6}},
    {2.0, {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6}},
};

TEST(DensityDrawing, FillsFramesAndClipsCoverWholeDevicePixelsWithoutSeams) {
    for (const Density& d : kDensities) {
        SCOPED_TRACE(d.ratio);
        platform::Surface s(7, 2, kWhite, d.ratio);
        ASSERT_EQ(s.Width(), int(d.owner.size()));
        ASSERT_EQ(s.Ratio(), d.ratio);
        auto dc = s.Context();
        // Neighbours sharing an edge, and a frame round logical 5 .. 6.
        dc->FillRect(0, 0, 3, 2, kRed);
        dc->FillRect(3, 0, 5, 2, kGreen);
        dc->Draw3dRect(5, 0, 2, 2, kBlue, kRed);
        for (int x = 0; x < s.Width(); ++x) {
            const int u = d.owner[std::size_t(x)];
            const Rgb top = u < 3 ? kRed : u < 5 ? kGreen : u == 5 ? kBlue : kRed;
            const Rgb bottom = u < 3 ? kRed : u < 5 ? kGreen : kRed;
            EXPECT_EQ(s.Pixel(x, 0), top) << "device column " << x;
            EXPECT_EQ(s.Pixel(x, s.Height() - 1), bottom) << "device column " << x;
        }

        // A clip of logical column 2 lets exactly its device pixels change.
        auto image = std::make_shared<QImage>(s.Width(), s.Height(), QImage::Format_RGB32);
        image->setDevicePixelRatio(d.ratio);
        image->fill(Qt::white);
        platform::PainterContext clipped(image);
        clipped.SetClip(QRegion(2, 0, 1, 2));
        clipped.FillRect(-100, -100, 100, 100, kBlue);
        for (int x = 0; x < image->width(); ++x) {
            EXPECT_EQ(image->pixel(x, 0), d.owner[std::size_t(x)] == 2 ? qRgb(0, 0, 200) : qRgb(255, 255, 255))
                << "clipped, device column " << x;
        }
    }
}

TEST(DensityDrawing, PicturesCopyPixelForPixel) {
    // A 14 x 1 picture, every pixel its own colour (bottom-up rows, BGR).
    std::vector<std::uint8_t> bits(14 * 3 + 2);
    for (int i = 0; i < 14; ++i) bits[std::size_t(3 * i + 2)] = std::uint8_t(10 * (i + 1));
    const platform::PixelBlock picture{bits.data(), 14, 1, 44};
    auto red = [](const Rgb& c) { return int(c.red); };

    for (const Density& d : kDensities) {
        SCOPED_TRACE(d.ratio);
        platform::Surface s(7, 1, kWhite, d.ratio);
        auto dc = s.Context();
        // At the logical size each picture pixel covers its logical pixel's
        // device pixels.
        dc->BitBlt(0, 0, 7, 1, picture, 2, 0);
        for (int x = 0; x < s.Width(); ++x)
            EXPECT_EQ(red(s.Pixel(x, 0)), 10 * (d.owner[std::size_t(x)] + 3)) << "device column " << x;

        // A picture of the area's device size lands one to one.
        dc->StretchBlt(0, 0, 7, 1, picture, 0, 0, s.Width(), 1);
        for (int x = 0; x < s.Width(); ++x) EXPECT_EQ(red(s.Pixel(x, 0)), 10 * (x + 1)) << "device column " << x;

        // Source pixels that do not exist are skipped, the rest still land
        // where the whole source would have put them.
        platform::Surface t(7, 1, kWhite, d.ratio);
        t.Context()->StretchBlt(0, 0, 7, 1, picture, 10, 0, s.Width(), 1);
        for (int x = 0; x < t.Width(); ++x) {
            if (x < 4)
                EXPECT_EQ(red(t.Pixel(x, 0)), 10 * (x + 11)) << "device column " << x;
            else
                EXPECT_EQ(t.Pixel(x, 0), kWhite) << "device column " << x;
        }
    }
}

TEST(DensityDrawing, TextIsRasterisedAtTheDeviceResolution) {
    platform::Font font;
    font.height = 40;
    font.weight = 700;
    font.face = "Times New Roman";
    auto inkBox = [](const platform::Surface& s) {
        int left = s.Width(), right = -1, top = s.Height(), bottom = -1;
        for (int y = 0; y < s.Height(); ++y) {
            for (int x = 0; x < s.Width(); ++x) {
                if (s.Pixel(x, y) == kWhite) continue;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        }
        return QRect(QPoint(left, top), QPoint(right, bottom));
    };
    auto draw = [&](double ratio, platform::TextExtent& extent) {
        platform::Surface s(60, 60, kWhite, ratio);
        auto dc = s.Context();
        dc->SelectFont(font);
        dc->SetBkMode(platform::BkMode::Transparent);
        extent = dc->GetTextExtent("8");
        dc->TextOut(10, 10, "8");
        return s;
    };
    platform::TextExtent plain, extent;
    const platform::Surface one = draw(1.0, plain);
    const QRect ink = inkBox(one);
    ASSERT_GT(ink.height(), 20);

    for (double ratio : {1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        const platform::Surface s = draw(ratio, extent);
        // Measured in logical pixels as before, drawn in device pixels.
        EXPECT_EQ(extent.cx, plain.cx);
        EXPECT_EQ(extent.cy, plain.cy);
        const QRect box = inkBox(s);
        EXPECT_NEAR(box.left(), ink.left() * ratio, 2.0);
        EXPECT_NEAR(box.top(), ink.top() * ratio, 2.0);
        EXPECT_NEAR(box.width(), ink.width() * ratio, 2.0);
        EXPECT_NEAR(box.height(), ink.height() * ratio, 2.0);
    }

    // At 2 a drawing at 1 enlarged would repeat every pixel in a 2 x 2
    // block; the glyph's edges do not.
    const platform::Surface two = draw(2.0, extent);
    int mixed = 0;
    for (int y = 0; y + 1 < two.Height(); y += 2)
        for (int x = 0; x + 1 < two.Width(); x += 2) {
            const Rgb p = two.Pixel(x, y);
            mixed += p != two.Pixel(x + 1, y) || p != two.Pixel(x, y + 1) || p != two.Pixel(x + 1, y + 1);
        }
    EXPECT_GE(mixed, 20);
}

TEST(DensityDrawing, SurfaceRefusesRatiosItCannotHold) {
    for (double ratio : {0.0, -1.0, 9.0, std::nan("")}) {
        EXPECT_THROW(platform::Surface(4, 4, kWhite, ratio), std::invalid_argument) << ratio;
    }
}

}  // namespace
