// A surface widget on a screen of the fractional or double density
// QT_SCALE_FACTOR names (the test runs once per density): the surface holds
// the device pixels, and what the screen shows is the surface pixel for
// pixel, after a paint and after an animation frame alike, with no seam or
// stale pixel at fractional edges.
// Run on two screens of different densities (Qt's off-screen platform with a
// configuration file), a window moved between them gets a surface of the new
// density.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QWindow>
#include <cstdlib>
#include <string>

#include "display/SurfaceWidget.h"
#include "platform/Sleep.h"

namespace {

using platform::Rgb;

class StripesWidget : public display::SurfaceWidget {
public:
    Rgb colour{20, 20, 20};
    int ratioChanges = 0;

protected:
    // One-logical-pixel stripes: every logical edge shows on the screen.
    void OnDraw(platform::DeviceContext& dc) override {
        for (int x = 0; x < width(); ++x) {
            const Rgb c = x % 2 ? colour : Rgb{250, 250, 250};
            dc.FillRect(x, 0, x + 1, height(), c);
        }
    }
    void OnDevicePixelRatioChange() override { ++ratioChanges; }
};

void Settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

void ShowAndSettle(QWidget& widget) {
    widget.show();
    QElapsedTimer timer;
    timer.start();
    while (!(widget.windowHandle() && widget.windowHandle()->isExposed()) && timer.elapsed() < 5000)
        QApplication::processEvents();
    Settle();
}

// What the window system has been given for the window, in device pixels,
// as big as the surface. Taken from the whole screen: the off-screen
// platform crops a single window's grab to its logical size, and places the
// window on its screen at its logical position.
QImage OnScreen(QWidget& w, QSize device) {
    const QImage screen = w.screen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    return screen.copy(QRect(w.windowHandle()->geometry().topLeft(), device));
}

// The first device pixel where the screen and the surface differ, or "".
std::string Difference(QWidget& w, const QImage& surface) {
    const QImage screen = OnScreen(w, surface.size());
    if (screen.size() != surface.size()) {
        return "screen " + std::to_string(screen.width()) + " x " + std::to_string(screen.height()) + ", surface " +
               std::to_string(surface.width()) + " x " + std::to_string(surface.height());
    }
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x)
            if (screen.pixel(x, y) != surface.pixel(x, y)) return "at " + std::to_string(x) + ", " + std::to_string(y);
    return "";
}

// The density asked for, the device size of a 101 x 61 window there and the
// device pixel of logical (3, 5), worked out by hand (halves round up).
struct Expected {
    const char* factor;
    double ratio;
    QSize device;
    QPoint corner;
};
constexpr Expected kExpected[] = {
    {"1.5", 1.5, {152, 92}, {5, 8}},
    {"2", 2.0, {202, 122}, {6, 10}},
};

TEST(SurfaceWidgetDensity, SurfaceHoldsDevicePixelsAndTheScreenShowsThemOneToOne) {
    const char* factor = std::getenv("QT_SCALE_FACTOR");
    const Expected* expected = nullptr;
    for (const Expected& e : kExpected)
        if (factor && std::string(factor) == e.factor) expected = &e;
    ASSERT_NE(expected, nullptr) << "QT_SCALE_FACTOR must be 1.5 or 2";

    StripesWidget widget;
    widget.resize(101, 61);
    ShowAndSettle(widget);

    ASSERT_EQ(widget.devicePixelRatioF(), expected->ratio);
    EXPECT_EQ(widget.DevicePixelRatio(), expected->ratio);
    EXPECT_EQ(widget.Surface().size(), expected->device);
    EXPECT_EQ(Difference(widget, widget.Surface()), "") << "first paint";

    // A repaint of an area with odd logical edges.
    widget.colour = Rgb{200, 30, 30};
    widget.InvalidateRect(3, 5, 8, 9, false);
    Settle();
    EXPECT_EQ(Difference(widget, widget.Surface()), "") << "partial repaint";
    EXPECT_EQ(widget.Surface().pixel(expected->corner), qRgb(200, 30, 30));
    EXPECT_EQ(widget.Surface().pixel(expected->corner - QPoint(1, 1)), qRgb(250, 250, 250));

    // An animation frame drawn through a context is on the screen, whole,
    // when the sleep comes.
    std::string atSleep = "no sleep";
    platform::SetSleepHook([&](int) { atSleep = Difference(widget, widget.Surface()); });
    {
        auto dc = widget.GetDC();
        dc->FillRect(10, 11, 17, 14, Rgb{0, 0, 255});
        platform::Sleep(1);
    }
    platform::SetSleepHook({});
    EXPECT_EQ(atSleep, "") << "animation frame";
}

TEST(SurfaceWidgetDensity, AWindowMovedToADenserScreenGetsADenserSurface) {
    QScreen* plain = nullptr;
    QScreen* dense = nullptr;
    for (QScreen* screen : QGuiApplication::screens()) (screen->devicePixelRatio() == 2.0 ? dense : plain) = screen;
    ASSERT_TRUE(plain && dense) << "configured with a screen of density 1 and one of 2";
    ASSERT_EQ(plain->devicePixelRatio(), 1.0);

    StripesWidget widget;
    widget.move(plain->geometry().topLeft() + QPoint(10, 10));
    widget.resize(101, 61);
    ShowAndSettle(widget);
    widget.windowHandle()->setScreen(plain);
    Settle();
    ASSERT_EQ(widget.Surface().size(), QSize(101, 61));
    const int changes = widget.ratioChanges;

    widget.colour = Rgb{200, 30, 30};
    widget.windowHandle()->setScreen(dense);
    widget.move(dense->geometry().topLeft() + QPoint(10, 10));
    Settle();
    EXPECT_EQ(widget.DevicePixelRatio(), 2.0);
    EXPECT_EQ(widget.Surface().size(), QSize(202, 122));
    EXPECT_EQ(widget.ratioChanges, changes + 1);
    // Drawn anew at the new density: logical column 1 is device columns 2, 3.
    EXPECT_EQ(widget.Surface().pixel(1, 0), qRgb(250, 250, 250));
    EXPECT_EQ(widget.Surface().pixel(2, 121), qRgb(200, 30, 30));
    EXPECT_EQ(widget.Surface().pixel(3, 60), qRgb(200, 30, 30));
}

}  // namespace
