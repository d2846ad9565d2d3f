#include "display/Surface.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "display/FontCache.h"
#include "display/PainterContext.h"

namespace {

using platform::Rgb;

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlue{30, 30, 230};
constexpr Rgb kGrey{128, 128, 128};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kBackground{46, 70, 161};
constexpr Rgb kInk{0, 0, 60};

// The font a 100-pixel piece asks for.
platform::Font PieceFont(int height) {
    platform::Font f;
    f.height = height;
    f.weight = 700;
    f.charSet = 128;
    f.outPrecision = 2;
    f.clipPrecision = 1;
    f.pitchAndFamily = 1;
    f.face = "Times New Roman";
    return f;
}

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // exclusive right/bottom
    bool Empty() const { return left >= right; }
};

// The bounding box of pixels that differ from the background.
Box InkBox(const display::Surface& s, Rgb background) {
    Box b;
    for (int y = 0; y < s.Height(); ++y) {
        for (int x = 0; x < s.Width(); ++x) {
            if (s.Pixel(x, y) == background) continue;
            b.left = std::min(b.left, x);
            b.top = std::min(b.top, y);
            b.right = std::max(b.right, x + 1);
            b.bottom = std::max(b.bottom, y + 1);
        }
    }
    return b;
}

int CellHeightAt(QFont font, int pixelSize) {
    font.setPixelSize(pixelSize);
    QFontMetrics m(font);
    return m.ascent() + m.descent();
}

TEST(SurfaceContext, FillRectIsPixelExact) {
    display::Surface s(10, 10, kWhite);
    auto dc = s.Context();
    dc->FillRect(2, 3, 5, 7, kBlue);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 3 && y < 7;
            ASSERT_EQ(s.Pixel(x, y), inside ? kBlue : kWhite) << x << "," << y;
        }
    }
}

TEST(SurfaceContext, FillRectIgnoresEmptyAndClipsHugeRectangles) {
    display::Surface s(6, 4, kWhite);
    auto dc = s.Context();
    dc->FillRect(3, 1, 3, 4, kBlue);  // zero width
    dc->FillRect(5, 1, 2, 4, kBlue);  // right before left
    EXPECT_TRUE(InkBox(s, kWhite).Empty());
    dc->FillRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX, kBlue);
    EXPECT_EQ(s.Pixel(0, 0), kBlue);
    EXPECT_EQ(s.Pixel(5, 3), kBlue);
    dc->FillRect(-10, -10, 1, 1, kBlack);
    EXPECT_EQ(s.Pixel(0, 0), kBlack);
    EXPECT_EQ(s.Pixel(1, 0), kBlue);
}

TEST(SurfaceContext, Draw3dRectEdgesAndCorners) {
    // A cell of 6 x 5 framed as the board does: box (1, 1) of 5 x 4.
    display::Surface s(8, 7, kWhite);
    auto dc = s.Context();
    dc->Draw3dRect(1, 1, 5, 4, kGrey, kBlack);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 8; ++x) {
            Rgb want = kWhite;
            if ((y == 1 && x >= 1 && x <= 4) || (x == 1 && y >= 1 && y <= 3)) want = kGrey;
            if ((x == 5 && y >= 1 && y <= 4) || (y == 4 && x >= 1 && x <= 5)) want = kBlack;
            ASSERT_EQ(s.Pixel(x, y), want) << x << "," << y;
        }
    }
    // The corners belong: top-right and bottom-left to the dark edges.
    EXPECT_EQ(s.Pixel(1, 1), kGrey);
    EXPECT_EQ(s.Pixel(5, 1), kBlack);
    EXPECT_EQ(s.Pixel(1, 4), kBlack);
    EXPECT_EQ(s.Pixel(5, 4), kBlack);
}

TEST(SurfaceContext, Draw3dRectDegenerateBoxes) {
    display::Surface s(5, 5, kWhite);
    auto dc = s.Context();
    dc->Draw3dRect(1, 1, 0, 3, kGrey, kBlack);
    dc->Draw3dRect(1, 1, 3, -2, kGrey, kBlack);
    EXPECT_TRUE(InkBox(s, kWhite).Empty());
    // One pixel wide: the dark right edge covers the whole column.
    dc->Draw3dRect(2, 1, 1, 3, kGrey, kBlack);
    for (int y = 1; y <= 3; ++y) EXPECT_EQ(s.Pixel(2, y), kBlack);
    EXPECT_EQ(s.Pixel(1, 2), kWhite);
    EXPECT_EQ(s.Pixel(3, 2), kWhite);
}

TEST(SurfaceFonts, PieceOfHundredPixelsGetsA92PixelCell) {
    display::Surface s(10, 10, kWhite);
    auto dc = s.Context();
    dc->SelectFont(PieceFont(92));
    EXPECT_EQ(dc->GetTextExtent("16").cy, 92);
}

TEST(SurfaceFonts, CellHeightIsTheLargestThatFits) {
    for (int h = 6; h <= 160; h += 7) {
        auto resolved = display::ResolveFont(PieceFont(h));
        const int size = resolved->font.pixelSize();
        EXPECT_LE(resolved->ascent + resolved->descent, h) << "height " << h;
        EXPECT_GT(CellHeightAt(resolved->font, size + 1), h) << "height " << h << " could use a bigger size";
    }
}

TEST(SurfaceFonts, NegativeHeightIsTheEmSize) {
    platform::Font f = PieceFont(-50);
    EXPECT_EQ(display::ResolveFont(f)->font.pixelSize(), 50);
    f.height = -1000000;  // absurd requests stay bounded
    EXPECT_LE(display::ResolveFont(f)->font.pixelSize(), 4096);
}

TEST(SurfaceFonts, TimesNewRomanResolvesToLiberationSerif) {
    for (int pitch : {0, 1, 2, 0x11}) {
        platform::Font f = PieceFont(40);
        f.pitchAndFamily = pitch;
        auto resolved = display::ResolveFont(f);
        EXPECT_EQ(QFontInfo(resolved->font).family(), "Liberation Serif") << "pitch " << pitch;
        EXPECT_TRUE(QFontInfo(resolved->font).bold());
    }
    platform::Font regular = PieceFont(40);
    regular.weight = 400;
    regular.italic = true;
    QFontInfo info(display::ResolveFont(regular)->font);
    EXPECT_FALSE(info.bold());
    EXPECT_TRUE(info.italic());
}

TEST(SurfaceFonts, WidthScalesTheText) {
    display::Surface s(80, 80, kWhite);
    auto dc = s.Context();
    platform::Font f = PieceFont(30);
    dc->SelectFont(f);
    const int normal = dc->GetTextExtent("WWW").cx;
    f.width = QFontMetrics(display::ResolveFont(f)->font).averageCharWidth() * 2;
    dc->SelectFont(f);
    EXPECT_NEAR(dc->GetTextExtent("WWW").cx, 2 * normal, normal / 5);
}

TEST(SurfaceFonts, RepeatedRequestsShareOneResolution) {
    auto a = display::ResolveFont(PieceFont(92));
    auto b = display::ResolveFont(PieceFont(92));
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(a.get(), display::ResolveFont(PieceFont(91)).get());
}

TEST(SurfaceFonts, SelectedFontSurvivesTheCacheLettingGo) {
    display::Surface s(10, 10, kWhite);
    auto dc = s.Context();
    dc->SelectFont(PieceFont(60));
    const auto before = dc->GetTextExtent("123");
    for (int h = 200; h < 520; ++h) display::ResolveFont(PieceFont(h));  // more than the cache keeps
    const auto after = dc->GetTextExtent("123");
    EXPECT_EQ(before.cx, after.cx);
    EXPECT_EQ(before.cy, after.cy);
}

TEST(SurfaceText, CentredNumberLandsInsideItsExtent) {
    const int w = 100, h = 100;
    display::Surface s(w, h, kBlue);
    auto dc = s.Context();
    dc->SelectFont(PieceFont(h - 8));
    dc->SetBkMode(platform::BkMode::Transparent);
    dc->SetTextColor(kInk);
    const auto ext = dc->GetTextExtent("16");
    ASSERT_GT(ext.cx, 20);
    const int tx = (w - ext.cx) / 2, ty = (h - ext.cy) / 2;
    dc->TextOut(tx, ty, "16");

    const Box ink = InkBox(s, kBlue);
    ASSERT_FALSE(ink.Empty());
    EXPECT_GE(ink.left, tx);
    EXPECT_LE(ink.right, tx + ext.cx);
    EXPECT_GE(ink.top, ty);
    EXPECT_LE(ink.bottom, ty + ext.cy);
    // Digits sit on the baseline and reach most of the ascent.
    const int baseline = ty + display::ResolveFont(PieceFont(h - 8))->ascent;
    EXPECT_NEAR(ink.bottom, baseline, 2);
    EXPECT_GT(ink.bottom - ink.top, ext.cy / 2);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, w / 2.0, 4);
    // The strokes carry the text colour itself, not only blended edges.
    bool solid = false;
    for (int y = ink.top; y < ink.bottom && !solid; ++y)
        for (int x = ink.left; x < ink.right && !solid; ++x) solid = s.Pixel(x, y) == kInk;
    EXPECT_TRUE(solid);
}

// The kept glyph coverage must land exactly where Qt itself draws the text.
TEST(SurfaceText, MatchesQtsOwnTextRendering) {
    for (int height : {14, 40, 92}) {
        for (const char* text : {"16", "8", "Wj"}) {
            auto image = std::make_shared<QImage>(160, 120, QImage::Format_RGB32);
            image->fill(qRgb(30, 30, 230));
            QImage reference = image->copy();
            const platform::Font font = PieceFont(height);
            {
                display::PainterContext dc(image);
                dc.SelectFont(font);
                dc.SetBkMode(platform::BkMode::Transparent);
                dc.SetTextColor(kInk);
                dc.TextOut(7, 5, text);
            }
            auto resolved = display::ResolveFont(font);
            QPainter painter(&reference);
            painter.setFont(resolved->font);
            painter.setPen(QColor(0, 0, 60));
            painter.drawText(7, 5 + resolved->ascent, QString::fromUtf8(text));
            painter.end();
            int worst = 0;
            for (int y = 0; y < 120; ++y)
                for (int x = 0; x < 160; ++x) {
                    const QRgb a = image->pixel(x, y), b = reference.pixel(x, y);
                    worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                      std::abs(qBlue(a) - qBlue(b))});
                }
            EXPECT_LE(worst, 12) << "height " << height << " text " << text;
        }
    }
}

TEST(SurfaceText, TransparentLeavesTheBackgroundOpaqueFillsTheExtent) {
    display::Surface s(200, 60, kBackground);
    auto dc = s.Context();
    dc->SelectFont(PieceFont(40));
    dc->SetTextColor(kInk);
    const auto ext = dc->GetTextExtent("7");
    dc->SetBkMode(platform::BkMode::Transparent);
    dc->TextOut(10, 10, "7");
    // The top-left corner of a "7" cell carries no ink.
    EXPECT_EQ(s.Pixel(10, 10), kBackground);
    EXPECT_EQ(s.Pixel(10, 10 + ext.cy - 1), kBackground);

    dc->SetBkMode(platform::BkMode::Opaque);
    dc->TextOut(100, 10, "7");
    EXPECT_EQ(s.Pixel(100, 10), kWhite);
    EXPECT_EQ(s.Pixel(100 + ext.cx - 1, 10 + ext.cy - 1), kWhite);
    EXPECT_EQ(s.Pixel(100 + ext.cx, 10), kBackground);
    EXPECT_EQ(s.Pixel(100, 10 + ext.cy), kBackground);
    EXPECT_EQ(s.Pixel(99, 10), kBackground);
}

TEST(SurfaceText, EmptyTextAndFreshContextDefaults) {
    display::Surface s(50, 30, kBackground);
    auto dc = s.Context();
    dc->TextOut(0, 0, "");
    EXPECT_TRUE(InkBox(s, kBackground).Empty());
    EXPECT_EQ(dc->GetTextExtent("").cx, 0);
    EXPECT_GT(dc->GetTextExtent("").cy, 0);
    // A fresh context writes black text on an opaque white box.
    dc->TextOut(0, 0, "8");
    EXPECT_EQ(s.Pixel(0, 0), kWhite);
    bool black = false;
    for (int y = 0; y < 30 && !black; ++y)
        for (int x = 0; x < 50 && !black; ++x) black = s.Pixel(x, y) == kBlack;
    EXPECT_TRUE(black);
}

// A bottom-up 24-bit block whose pixel (x, y) encodes its own position.
struct TestBlock {
    int width = 3, height = 4, stride = 12;  // 9 bytes of pixels, padded
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(48, 0xEE);
    TestBlock() {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* p = &bytes[(height - 1 - y) * stride + x * 3];
                p[0] = std::uint8_t(10 * x);        // blue
                p[1] = std::uint8_t(100 + 10 * y);  // green
                p[2] = 7;                           // red
            }
    }
    platform::PixelBlock Block() const { return {bytes.data(), width, height, stride}; }
    static Rgb At(int x, int y) { return Rgb{7, std::uint8_t(100 + 10 * y), std::uint8_t(10 * x)}; }
};

TEST(SurfaceBitBlt, CopiesTheBlockTopDown) {
    TestBlock block;
    display::Surface s(8, 8, kWhite);
    auto dc = s.Context();
    dc->BitBlt(2, 1, 3, 4, block.Block(), 0, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 5;
            ASSERT_EQ(s.Pixel(x, y), inside ? TestBlock::At(x - 2, y - 1) : kWhite) << x << "," << y;
        }
}

TEST(SurfaceBitBlt, SkipsPixelsOutsideTheSource) {
    TestBlock block;
    display::Surface s(8, 8, kWhite);
    auto dc = s.Context();
    // From (1, 2): only 2 columns and 2 rows of the source exist.
    dc->BitBlt(0, 0, 5, 5, block.Block(), 1, 2);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x < 2 && y < 2;
            ASSERT_EQ(s.Pixel(x, y), inside ? TestBlock::At(x + 1, y + 2) : kWhite) << x << "," << y;
        }
    // A source position before the block's start skips the missing part.
    display::Surface t(8, 8, kWhite);
    t.Context()->BitBlt(3, 3, 4, 4, block.Block(), -2, -1);
    EXPECT_EQ(t.Pixel(4, 3), kWhite);
    EXPECT_EQ(t.Pixel(5, 3), kWhite);
    EXPECT_EQ(t.Pixel(5, 4), TestBlock::At(0, 0));
    EXPECT_EQ(t.Pixel(6, 6), TestBlock::At(1, 2));
    // Nonsense blocks draw nothing.
    platform::PixelBlock bad = block.Block();
    bad.stride = 8;  // shorter than a row
    t.Context()->BitBlt(0, 0, 3, 3, bad, 0, 0);
    bad = block.Block();
    bad.bits = nullptr;
    t.Context()->BitBlt(0, 0, 3, 3, bad, 0, 0);
    EXPECT_EQ(t.Pixel(0, 0), kWhite);
}

TEST(SurfaceClip, NothingChangesOutsideTheClip) {
    auto image = std::make_shared<QImage>(20, 20, QImage::Format_RGB32);
    image->fill(Qt::white);
    display::PainterContext dc(image);
    dc.SetClip(QRegion(5, 5, 10, 10));
    dc.FillRect(0, 0, 20, 20, kBlue);
    EXPECT_EQ(image->pixel(14, 14), qRgb(30, 30, 230));
    dc.SelectFont(PieceFont(30));
    dc.SetTextColor(kBlack);
    dc.TextOut(-5, -5, "88");
    TestBlock block;
    dc.BitBlt(0, 0, 3, 4, block.Block(), 0, 0);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 5 && x < 15 && y >= 5 && y < 15;
            if (!inside) {
                ASSERT_EQ(image->pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
            }
        }
}

TEST(SurfaceClip, TouchedBoxesCoverEveryChange) {
    auto image = std::make_shared<QImage>(120, 80, QImage::Format_RGB32);
    image->fill(Qt::white);
    const QImage before = image->copy();
    QRegion touched;
    {
        display::PainterContext dc(image, [&](const QRect& r) { touched += r; });
        dc.FillRect(3, 4, 9, 8, kBlue);
        dc.Draw3dRect(20, 20, 10, 10, kGrey, kBlack);
        dc.SelectFont(PieceFont(40));
        dc.SetBkMode(platform::BkMode::Transparent);
        dc.TextOut(50, 30, "Wj");
    }
    ASSERT_FALSE(touched.isEmpty());
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x)
            if (image->pixel(x, y) != before.pixel(x, y)) {
                ASSERT_TRUE(touched.contains(QPoint(x, y))) << x << "," << y;
            }
}

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

TEST(SurfaceDensity, FillsFramesAndClipsCoverWholeDevicePixelsWithoutSeams) {
    for (const Density& d : kDensities) {
        SCOPED_TRACE(d.ratio);
        display::Surface s(7, 2, kWhite, d.ratio);
        ASSERT_EQ(s.Width(), int(d.owner.size()));
        ASSERT_EQ(s.Ratio(), d.ratio);
        auto dc = s.Context();
        // Neighbours sharing an edge, and a frame round logical 5 .. 6.
        dc->FillRect(0, 0, 3, 2, kBlue);
        dc->FillRect(3, 0, 5, 2, kBackground);
        dc->Draw3dRect(5, 0, 2, 2, kGrey, kBlack);
        for (int x = 0; x < s.Width(); ++x) {
            const int u = d.owner[std::size_t(x)];
            const Rgb top = u < 3 ? kBlue : u < 5 ? kBackground : u == 5 ? kGrey : kBlack;
            const Rgb bottom = u < 3 ? kBlue : u < 5 ? kBackground : kBlack;
            EXPECT_EQ(s.Pixel(x, 0), top) << "device column " << x;
            EXPECT_EQ(s.Pixel(x, s.Height() - 1), bottom) << "device column " << x;
        }

        // A clip of logical column 2 lets exactly its device pixels change.
        auto image = std::make_shared<QImage>(s.Width(), s.Height(), QImage::Format_RGB32);
        image->setDevicePixelRatio(d.ratio);
        image->fill(Qt::white);
        display::PainterContext clipped(image);
        clipped.SetClip(QRegion(2, 0, 1, 2));
        clipped.FillRect(-100, -100, 100, 100, kBlue);
        for (int x = 0; x < image->width(); ++x) {
            EXPECT_EQ(image->pixel(x, 0), d.owner[std::size_t(x)] == 2 ? qRgb(30, 30, 230) : qRgb(255, 255, 255))
                << "clipped, device column " << x;
        }
    }
}

TEST(SurfaceDensity, PicturesCopyPixelForPixel) {
    // A 14 x 1 picture, every pixel its own colour (bottom-up rows, BGR).
    std::vector<std::uint8_t> bits(14 * 3 + 2);
    for (int i = 0; i < 14; ++i) bits[std::size_t(3 * i + 2)] = std::uint8_t(10 * (i + 1));
    const platform::PixelBlock picture{bits.data(), 14, 1, 44};
    auto red = [](const Rgb& c) { return int(c.red); };

    for (const Density& d : kDensities) {
        SCOPED_TRACE(d.ratio);
        display::Surface s(7, 1, kWhite, d.ratio);
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
        display::Surface t(7, 1, kWhite, d.ratio);
        t.Context()->StretchBlt(0, 0, 7, 1, picture, 10, 0, s.Width(), 1);
        for (int x = 0; x < t.Width(); ++x) {
            if (x < 4)
                EXPECT_EQ(red(t.Pixel(x, 0)), 10 * (x + 11)) << "device column " << x;
            else
                EXPECT_EQ(t.Pixel(x, 0), kWhite) << "device column " << x;
        }
    }
}

TEST(SurfaceDensity, TextIsRasterisedAtTheDeviceResolution) {
    auto draw = [](double ratio, platform::TextExtent& extent) {
        display::Surface s(60, 60, kWhite, ratio);
        auto dc = s.Context();
        dc->SelectFont(PieceFont(40));
        dc->SetBkMode(platform::BkMode::Transparent);
        extent = dc->GetTextExtent("8");
        dc->TextOut(10, 10, "8");
        return s;
    };
    platform::TextExtent plain, extent;
    const Box ink = InkBox(draw(1.0, plain), kWhite);
    ASSERT_GT(ink.bottom - ink.top, 20);

    for (double ratio : {1.5, 2.0}) {
        SCOPED_TRACE(ratio);
        const Box box = InkBox(draw(ratio, extent), kWhite);
        // Measured in logical pixels as before, drawn in device pixels.
        EXPECT_EQ(extent.cx, plain.cx);
        EXPECT_EQ(extent.cy, plain.cy);
        EXPECT_NEAR(box.left, ink.left * ratio, 2.0);
        EXPECT_NEAR(box.top, ink.top * ratio, 2.0);
        EXPECT_NEAR(box.right - box.left, (ink.right - ink.left) * ratio, 2.0);
        EXPECT_NEAR(box.bottom - box.top, (ink.bottom - ink.top) * ratio, 2.0);
    }

    // At 2 a drawing at 1 enlarged would repeat every pixel in a 2 x 2
    // block; the glyph's edges do not.
    const display::Surface two = draw(2.0, extent);
    int mixed = 0;
    for (int y = 0; y + 1 < two.Height(); y += 2)
        for (int x = 0; x + 1 < two.Width(); x += 2) {
            const Rgb p = two.Pixel(x, y);
            mixed += p != two.Pixel(x + 1, y) || p != two.Pixel(x, y + 1) || p != two.Pixel(x + 1, y + 1);
        }
    EXPECT_GE(mixed, 20);
}

TEST(SurfaceDensity, RatiosTheSurfaceCannotHoldAreRefused) {
    for (double ratio : {0.0, -1.0, 9.0, std::nan("")})
        EXPECT_THROW(display::Surface(4, 4, kWhite, ratio), std::invalid_argument) << ratio;
}

TEST(SurfaceObject, SizesAndPixels) {
    display::Surface s(3, 2, kBackground);
    EXPECT_EQ(s.Width(), 3);
    EXPECT_EQ(s.Height(), 2);
    EXPECT_EQ(s.Pixel(2, 1), kBackground);
    EXPECT_THROW(s.Pixel(3, 0), std::out_of_range);
    EXPECT_THROW(s.Pixel(0, -1), std::out_of_range);

    display::Surface empty(-4, 5, kWhite);
    EXPECT_EQ(empty.Width(), 0);
    empty.Context()->FillRect(0, 0, 10, 10, kBlue);  // draws nowhere, does not crash
}

TEST(SurfaceObject, ContextOutlivesTheSurface) {
    std::unique_ptr<platform::DeviceContext> dc;
    {
        display::Surface s(4, 4, kWhite);
        dc = s.Context();
    }
    dc->FillRect(0, 0, 4, 4, kBlue);
    dc->TextOut(0, 0, "1");
}

}  // namespace
