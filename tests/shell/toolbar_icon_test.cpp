// The tool bar's icons on screens of whole densities: a picture of the
// button at each, every strip pixel a square of device pixels, never a
// smoothed enlargement.

#include <gtest/gtest.h>

#include <QIcon>
#include <QPixmap>

#include "shell/ToolBarStrip.h"

namespace {

TEST(ToolBarIcon, EachWholeDensityGetsTheStripPixelsAsSquares) {
    const QImage strip = toolbar::DrawStrip();
    for (int index = 0; index < toolbar::kButtonCount; ++index) {
        const QImage button = toolbar::ButtonImage(strip, index);
        const QIcon icon = toolbar::ButtonIcon(strip, index);
        for (int ratio : {1, 2, 3}) {
            SCOPED_TRACE(testing::Message() << "button " << index << " at " << ratio << "x");
            const QImage image = icon.pixmap(QSize(toolbar::kButtonWidth, toolbar::kButtonHeight), ratio)
                                     .toImage()
                                     .convertToFormat(QImage::Format_RGB32);
            ASSERT_EQ(image.size(), QSize(16 * ratio, 15 * ratio));
            int wrong = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    wrong += image.pixel(x, y) != (button.pixel(x / ratio, y / ratio) | 0xff000000u);
            EXPECT_EQ(wrong, 0);
        }
    }
}

}  // namespace
