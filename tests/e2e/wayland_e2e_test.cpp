// The real program as a Wayland client of a private weston. Headless: it
// connects, makes its toplevel at the remembered size, draws the first board
// and says nothing. Drawing into a window on the test's X display, whose
// pointer and keyboard weston passes on as Wayland input: a click slides a
// piece, File > exit closes it, and the settings keep the position an X
// session stored while the size is saved.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QColor>
#include <QImage>
#include <cstdlib>
#include <string>

#include "tests/e2e/ProgramTest.h"
#include "tests/e2e/ScreenCheck.h"
#include "tests/e2e/Weston.h"
#include "tests/e2e/XDesktop.h"
#include "tests/e2e/XSession.h"

using namespace std::chrono_literals;
using namespace e2e;

namespace {

constexpr QRgb kBackgroundRgb = qRgb(kBackground.red, kBackground.green, kBackground.blue);
constexpr QRgb kTileFaceRgb = qRgb(kTileFace.red, kTileFace.green, kTileFace.blue);

// Qt's Wayland plugin loads Mesa's software GL driver, which leaves an
// allocation at exit and is unloaded before LeakSanitizer reports it, so it
// cannot be named in a suppression. A sanitizer build checks the program's
// own leaks in the X11 tests; here it only runs the Wayland paths.
std::vector<std::pair<std::string, std::string>> ClientEnvironment(const Weston& weston) {
    auto environment = weston.ClientEnvironment();
    const char* asan = std::getenv("ASAN_OPTIONS");
    environment.emplace_back("ASAN_OPTIONS", std::string(asan ? asan : "") + ":detect_leaks=0");
    return environment;
}

// The board inside the view, found on the compositor's whole output: the
// view is the one wide background-coloured rectangle there (the window's
// icon has a few such pixels too).
std::optional<BoardOnScreen> FindBoard(const QImage& image) {
    QRect view;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            int end = x;
            while (end < image.width() && row[end] == kBackgroundRgb)
                ++end;
            if (end - x >= 60)
                view |= QRect(x, y, end - x, 1);
            x = end;
        }
    }
    if (view.width() < 60 || view.height() < 60)
        return std::nullopt;
    return LayOutBoard(view.left(), view.top(), view.width(), view.height());
}

bool Shows(const QImage& image, QPoint point, QRgb colour) {
    return image.rect().contains(point) && image.pixel(point) == colour;
}

// The numbers board with the empty cell at (emptyRow, emptyColumn).
bool ShowsNumbersBoard(const QImage& image, int emptyRow, int emptyColumn) {
    auto board = FindBoard(image);
    if (!board)
        return false;
    for (int k = 0; k < 16; ++k) {
        const bool empty = k / 4 == emptyRow && k % 4 == emptyColumn;
        if (!Shows(image, QPoint(board->X(k % 4), board->Y(k / 4)), empty ? kBackgroundRgb : kTileFaceRgb))
            return false;
    }
    return true;
}

class Wayland : public ::testing::Test {
protected:
    void SetUp() override {
        if (Executable().empty())
            GTEST_SKIP() << "TESSERIN_EXE is not set";
    }
};

TEST_F(Wayland, HeadlessTheProgramMapsItsWindowAtTheRememberedSizeAndDrawsTheBoardSilently) {
    Weston weston(Weston::Backend::Headless, 1024, 768);
    ASSERT_TRUE(weston.WaitReady(kWindowTimeout)) << weston.Log();
    Program program(Executable());
    program.WriteSettings("[Settings]\nleft=50\ntop=60\nwidth=360\nheight=420\n");
    auto environment = ClientEnvironment(weston);
    environment.emplace_back("WAYLAND_DEBUG", "client");
    program.SetEnvironment(environment);
    const std::string outputPath = program.Folder() + "/output.txt";
    program.SetOutputFile(outputPath);
    program.Start();

    // Its own toplevel, titled, framed at exactly the remembered outer size.
    std::string output;
    const bool mapped = WaitFor(
        [&] {
            output = ReadFile(outputPath);
            return output.find(".get_toplevel(") != std::string::npos &&
                   output.find(".set_title(\"無題 - tesserin\")") != std::string::npos &&
                   output.find(".set_window_geometry(0, 0, 360, 420)") != std::string::npos &&
                   output.find(".create_buffer(") != std::string::npos;
        },
        kWindowTimeout);
    EXPECT_TRUE(mapped) << output.substr(0, 4000) << "\n" << weston.Log();

    QImage shot;
    const bool drawn = WaitFor(
        [&] {
            auto image = weston.Screenshot();
            shot = image.value_or(QImage());
            return image && ShowsNumbersBoard(*image, 3, 3);
        },
        kWindowTimeout);
    if (!drawn)
        shot.save(QString::fromStdString(program.Folder() + "/../tesserin-wayland-headless.png"));
    EXPECT_TRUE(drawn) << "no numbers board on the compositor's output";
    EXPECT_TRUE(program.Running());
    // No warning about placing, activating or grabbing: nothing but the protocol.
    EXPECT_EQ(FirstNonProtocolLine(ReadFile(outputPath)), "");
}

TEST_F(Wayland, AClickSlidesAPieceAndClosingSavesTheSizeButKeepsThePosition) {
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no X display for weston to draw into";
    Weston weston(Weston::Backend::X11, 1024, 768);
    ASSERT_TRUE(weston.WaitReady(kWindowTimeout)) << weston.Log();
    auto output = weston.XWindow(kWindowTimeout);
    ASSERT_TRUE(output) << "weston made no window\n" << weston.Log();

    Program program(Executable());
    program.WriteSettings("[Settings]\nleft=50\ntop=60\nwidth=360\nheight=420\n");
    program.SetEnvironment(ClientEnvironment(weston));
    const std::string outputPath = program.Folder() + "/output.txt";
    program.SetOutputFile(outputPath);
    program.Start();

    QImage shot;
    std::optional<BoardOnScreen> board;
    ASSERT_TRUE(WaitFor(
        [&] {
            shot = GrabWindowQImage(*output).convertToFormat(QImage::Format_RGB32);
            return ShowsNumbersBoard(shot, 3, 3) && (board = FindBoard(shot));
        },
        kWindowTimeout))
        << "no numbers board in weston's window";

    // weston takes the pointer's place from the X server only as it comes
    // into its window: bring it in from outside first.
    auto geometry = WindowGeometry(*output);
    ASSERT_TRUE(geometry);
    ASSERT_TRUE(Capture("xdotool mousemove " + std::to_string(geometry->x + geometry->width + 20) + " " +
                        std::to_string(geometry->y + geometry->height + 20)));
    ASSERT_TRUE(ClickAt(*output, board->X(2, 3), board->Y(3, 3)));
    const bool slid = WaitFor(
        [&] {
            shot = GrabWindowQImage(*output).convertToFormat(QImage::Format_RGB32);
            return ShowsNumbersBoard(shot, 3, 2);
        },
        20s);
    if (!slid)
        shot.save(QString::fromStdString(program.Folder() + "/../tesserin-wayland-click.png"));
    EXPECT_TRUE(slid) << "the piece did not slide";

    // The click gave the window the keyboard: File (Alt+F), exit (X).
    ASSERT_TRUE(PressKeys("alt+f"));
    EXPECT_TRUE(WaitFor(
        [&] {
            // The menu drops over the top row of pieces.
            shot = GrabWindowQImage(*output).convertToFormat(QImage::Format_RGB32);
            return !ShowsNumbersBoard(shot, 3, 2);
        },
        20s))
        << "the File menu did not open";
    ASSERT_TRUE(PressKeys("x"));
    int status = -1;
    ASSERT_TRUE(program.WaitForExit(30s, &status)) << "the program did not end";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const std::string settings = program.ReadSettings();
    ExpectPlacement(settings, "50", "60", "360", "420");
    EXPECT_EQ(IniValue(settings, "Settings", "Image"), "");
    EXPECT_EQ(ReadFile(outputPath), "");
}

}  // namespace
