#include "display/SurfaceWidget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QWindow>
#include <vector>

#include "platform/Sleep.h"

namespace {

using platform::Rgb;

constexpr QRgb kDrawn = 0xff00c800;
constexpr QRgb kFirst = 0xff101010;
constexpr QRgb kRed = 0xffff0000;

class TestWidget : public display::SurfaceWidget {
public:
    QRgb drawColour = kFirst;
    bool drawNothing = false;
    int draws = 0;
    std::vector<QRect> erases;

protected:
    void OnDraw(platform::DeviceContext& dc) override {
        ++draws;
        if (!drawNothing) {
            dc.FillRect(
                0, 0, width(), height(),
                Rgb{std::uint8_t(qRed(drawColour)), std::uint8_t(qGreen(drawColour)), std::uint8_t(qBlue(drawColour))});
        }
    }
    void OnEraseBackground(platform::DeviceContext& dc, int l, int t, int r, int b) override {
        erases.push_back(QRect(l, t, r - l, b - t));
        SurfaceWidget::OnEraseBackground(dc, l, t, r, b);
    }
};

void Settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// What the window system has been given for the window.
QImage OnScreen(QWidget& w) {
    return w.screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// Pixels of the surface inside and outside a rectangle.
bool AllPixels(const QImage& image, const QRect& area, QRgb inside, QRgb outside) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != (area.contains(x, y) ? inside : outside)) return false;
    return true;
}

class SurfaceWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        widget_ = std::make_unique<TestWidget>();
        widget_->resize(100, 80);
        widget_->show();
        QElapsedTimer timer;
        timer.start();
        while (!(widget_->windowHandle() && widget_->windowHandle()->isExposed()) && timer.elapsed() < 5000) {
            QApplication::processEvents();
        }
        Settle();
        ASSERT_EQ(widget_->Surface().size(), QSize(100, 80));
        ASSERT_GE(widget_->draws, 1);
        widget_->draws = 0;
        widget_->erases.clear();
    }
    void TearDown() override {
        widget_.reset();
        platform::SetSleepHook({});
    }
    std::unique_ptr<TestWidget> widget_;
};

TEST_F(SurfaceWidgetTest, FirstPaintErasesAndDrawsEverything) {
    EXPECT_TRUE(AllPixels(widget_->Surface(), QRect(), kFirst, kFirst));
    EXPECT_TRUE(AllPixels(OnScreen(*widget_), QRect(), kFirst, kFirst));
}

TEST_F(SurfaceWidgetTest, PaintDrawsOnlyTheInvalidArea) {
    widget_->drawColour = kDrawn;
    widget_->InvalidateRect(10, 20, 30, 25, false);
    EXPECT_EQ(widget_->draws, 0) << "drawing waits for the event loop";
    Settle();
    EXPECT_EQ(widget_->draws, 1);
    EXPECT_TRUE(widget_->erases.empty());
    EXPECT_TRUE(AllPixels(widget_->Surface(), QRect(10, 20, 20, 5), kDrawn, kFirst));
    EXPECT_TRUE(AllPixels(OnScreen(*widget_), QRect(10, 20, 20, 5), kDrawn, kFirst));

    // Areas outside the window or empty ones ask for nothing.
    widget_->InvalidateRect(200, 200, 300, 300, true);
    widget_->InvalidateRect(50, 50, 50, 60, true);
    widget_->InvalidateRect(INT_MIN, INT_MIN, -1, -1, true);
    Settle();
    EXPECT_EQ(widget_->draws, 1);
    EXPECT_TRUE(widget_->erases.empty());
}

TEST_F(SurfaceWidgetTest, EraseOnlyWhereAsked) {
    widget_->drawNothing = true;
    widget_->SetBackground(Rgb{46, 70, 161});
    widget_->InvalidateRect(0, 0, 10, 10, false);
    widget_->InvalidateRect(40, 30, 60, 50, true);
    Settle();
    ASSERT_EQ(widget_->erases.size(), 1u);
    EXPECT_EQ(widget_->erases[0], QRect(40, 30, 20, 20));
    EXPECT_TRUE(AllPixels(widget_->Surface(), QRect(40, 30, 20, 20), qRgb(46, 70, 161), kFirst));
}

TEST_F(SurfaceWidgetTest, DefaultBackgroundIsWhite) {
    widget_->drawNothing = true;
    widget_->InvalidateRect(0, 0, 5, 5, true);
    Settle();
    EXPECT_TRUE(AllPixels(widget_->Surface(), QRect(0, 0, 5, 5), 0xffffffff, kFirst));
}

TEST_F(SurfaceWidgetTest, ContextDrawingReachesTheScreenBeforeEachSleep) {
    std::vector<QRgb> seen;
    int drawsDuringFlush = -1;
    platform::SetSleepHook([&](int) {
        seen.push_back(OnScreen(*widget_).pixel(5 + int(seen.size()), 5));
        drawsDuringFlush = widget_->draws;
    });
    auto dc = widget_->GetDC();
    for (int frame = 0; frame < 3; ++frame) {
        dc->FillRect(5 + frame, 5, 6 + frame, 6, Rgb{255, 0, 0});
        EXPECT_TRUE(widget_->Surface().pixel(5 + frame, 5) == kRed);
        EXPECT_EQ(OnScreen(*widget_).pixel(5 + frame, 5), kFirst) << "shown before the sleep already";
        platform::Sleep(1);
    }
    dc.reset();
    EXPECT_EQ(seen, (std::vector<QRgb>{kRed, kRed, kRed}));
    EXPECT_EQ(drawsDuringFlush, 0) << "a flush must not draw anew";
}

TEST_F(SurfaceWidgetTest, ReleasingTheContextShowsItsDrawing) {
    {
        auto dc = widget_->GetDC();
        dc->FillRect(50, 40, 60, 45, Rgb{255, 0, 0});
    }
    Settle();
    EXPECT_TRUE(AllPixels(OnScreen(*widget_), QRect(50, 40, 10, 5), kRed, kFirst));
    EXPECT_EQ(widget_->draws, 0);
}

TEST_F(SurfaceWidgetTest, FlushKeepsPendingInvalidAreas) {
    widget_->drawColour = kDrawn;
    widget_->InvalidateRect(0, 0, 100, 10, false);  // not painted yet
    platform::SetSleepHook([](int) {});
    {
        auto dc = widget_->GetDC();
        dc->FillRect(0, 70, 10, 80, Rgb{255, 0, 0});
        platform::Sleep(1);
    }
    Settle();
    EXPECT_EQ(widget_->draws, 1);
    const QImage screen = OnScreen(*widget_);
    EXPECT_EQ(screen.pixel(50, 5), kDrawn);
    EXPECT_EQ(screen.pixel(5, 75), kRed);
    EXPECT_EQ(screen.pixel(50, 50), kFirst);
}

TEST_F(SurfaceWidgetTest, ResizeMakesANewSurfaceAndRedrawsAll) {
    widget_->drawColour = kDrawn;
    widget_->resize(150, 90);
    Settle();
    EXPECT_EQ(widget_->Surface().size(), QSize(150, 90));
    ASSERT_FALSE(widget_->erases.empty());
    EXPECT_EQ(widget_->erases.back(), QRect(0, 0, 150, 90));
    EXPECT_TRUE(AllPixels(widget_->Surface(), QRect(), kDrawn, kDrawn));
    EXPECT_TRUE(AllPixels(OnScreen(*widget_), QRect(), kDrawn, kDrawn));
}

TEST_F(SurfaceWidgetTest, ContextMayOutliveResizeAndWindow) {
    auto dc = widget_->GetDC();
    widget_->resize(60, 60);
    Settle();
    dc->FillRect(0, 0, 100, 100, Rgb{255, 0, 0});  // the old surface, no longer shown
    EXPECT_NE(widget_->Surface().pixel(0, 0), kRed);
    platform::SetSleepHook([](int) {});
    platform::Sleep(1);
    widget_.reset();
    dc->FillRect(0, 0, 10, 10, Rgb{0, 0, 255});
    platform::Sleep(1);
    dc.reset();
    Settle();
}

}  // namespace
