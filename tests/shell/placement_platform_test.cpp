// Under a Wayland compositor, which places windows itself, the main frame
// restores and saves only its size and leaves the remembered position alone.

#include <gtest/gtest.h>

#include "framework/FrameWindow.h"
#include "tests/shell/AppFixture.h"

namespace {

class PlacementPlatformTest : public ::testing::Test, public AppFixture {
protected:
    void TearDown() override { framework::FrameWindow::SetWindowPlatformOverride(previous); }
    QString previous;
};

TEST_F(PlacementPlatformTest, OnlyAPlatformThatPlacesWindowsMovesThemAndSavesTheirPosition) {
    struct Case {
        const char* platform;
        const char* settings;
        bool places;
        // The position in the file after closing; empty: the frame's own.
        std::string left;
        std::string top;
    };
    const Case cases[] = {
        {"offscreen", "[Settings]\nleft=50\ntop=60\nwidth=700\nheight=500\n", true, "", ""},
        {"wayland", "[Settings]\nleft=50\ntop=60\nwidth=700\nheight=500\n", false, "50", "60"},
        {"wayland-egl", "[Settings]\nleft=-300\ntop=2000\nwidth=700\nheight=500\n", false, "-300", "2000"},
        // A first start under Wayland stores no position at all: the next X
        // session still opens at the default place.
        {"wayland", "[Settings]\nwidth=700\nheight=500\n", false, "<absent>", "<absent>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.platform) + ": " + c.settings);
        previous = framework::FrameWindow::SetWindowPlatformOverride(QString::fromLatin1(c.platform));
        std::ofstream(settings, std::ios::binary | std::ios::trunc) << c.settings;
        ASSERT_TRUE(Start());
        EXPECT_EQ(Frame()->CanPlaceItself(), c.places);
        EXPECT_EQ(Frame()->testAttribute(Qt::WA_Moved), c.places);
        EXPECT_EQ(Frame()->frameGeometry().size(), QSize(700, 500));

        Frame()->resize(640, 480);
        QApplication::processEvents();
        const QRect outer = Frame()->frameGeometry();
        Close();
        app.reset();
        framework::FrameWindow::SetWindowPlatformOverride(previous);
        EXPECT_EQ(Setting("Settings", "left"), c.left.empty() ? std::to_string(outer.left()) : c.left);
        EXPECT_EQ(Setting("Settings", "top"), c.top.empty() ? std::to_string(outer.top()) : c.top);
        EXPECT_EQ(Setting("Settings", "width"), std::to_string(outer.width()));
        EXPECT_EQ(Setting("Settings", "height"), std::to_string(outer.height()));
        EXPECT_TRUE(messages.empty());
    }
}

TEST_F(PlacementPlatformTest, TheApplicationsOwnPlatformHoldsUnlessOverridden) {
    EXPECT_EQ(framework::FrameWindow::WindowPlatform(), QGuiApplication::platformName());
    previous = framework::FrameWindow::SetWindowPlatformOverride("wayland");
    EXPECT_EQ(framework::FrameWindow::WindowPlatform(), "wayland");
    EXPECT_EQ(framework::FrameWindow::SetWindowPlatformOverride(""), "wayland");
    EXPECT_EQ(framework::FrameWindow::WindowPlatform(), QGuiApplication::platformName());

    // wayland, wayland-egl and offscreen are held by the table above.
    const std::pair<const char*, bool> names[] = {{"Wayland", true}, {"xcb", false}, {"", false}, {"eglfs", false}};
    for (const auto& [name, wayland] : names) EXPECT_EQ(framework::FrameWindow::IsWayland(name), wayland) << name;
}

}  // namespace
