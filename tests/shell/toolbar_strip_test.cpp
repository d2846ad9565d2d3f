// The tool bar's button pictures: one strip, cut into 16 x 15 images.

#include <gtest/gtest.h>

#include <set>

#include "shell/ToolBarStrip.h"

namespace {

std::set<QRgb> Colours(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y) | 0xff000000u);
    return colours;
}

TEST(ToolBarStrip, FourButtonsInBlackAndYellowOnGrey) {
    const QImage strip = toolbar::DrawStrip();
    ASSERT_EQ(strip.size(), QSize(64, 15));
    const QRgb grey = qRgb(192, 192, 192), black = qRgb(0, 0, 0), yellow = qRgb(255, 255, 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Colours(toolbar::ButtonImage(strip, i)), (std::set<QRgb>{grey, black})) << i;
    EXPECT_EQ(Colours(toolbar::ButtonImage(strip, 3)), (std::set<QRgb>{grey, yellow}));
    for (int i = 0; i < 4; ++i) {
        QImage button = toolbar::ButtonImage(strip, i);
        EXPECT_EQ(button.size(), QSize(16, 15));
        // A margin of button face all round.
        EXPECT_EQ(button.pixel(0, 0), grey);
        EXPECT_EQ(button.pixel(15, 14), grey);
    }
}

TEST(ToolBarStrip, PlusMinusAndTheOutlinedS) {
    const QImage strip = toolbar::DrawStrip();
    const QRgb grey = qRgb(192, 192, 192), black = qRgb(0, 0, 0);
    const QImage plus = toolbar::ButtonImage(strip, 0);
    const QImage minus = toolbar::ButtonImage(strip, 1);
    const QImage s = toolbar::ButtonImage(strip, 2);
    // Both have the horizontal bar; only the plus has the upright one.
    for (QPoint p : {QPoint(3, 6), QPoint(12, 7), QPoint(7, 7)}) {
        EXPECT_EQ(plus.pixel(p), black);
        EXPECT_EQ(minus.pixel(p), black);
    }
    EXPECT_EQ(plus.pixel(7, 2), black);
    EXPECT_EQ(plus.pixel(8, 11), black);
    EXPECT_EQ(minus.pixel(7, 2), grey);
    EXPECT_EQ(minus.pixel(8, 11), grey);
    EXPECT_EQ(plus.pixel(3, 3), grey);
    // The S is drawn in outline: the thick left stroke is black at its edge and
    // hollow inside.
    EXPECT_EQ(s.pixel(3, 4), black);
    EXPECT_EQ(s.pixel(4, 4), grey);
    EXPECT_EQ(s.pixel(5, 4), black);
}

}  // namespace
