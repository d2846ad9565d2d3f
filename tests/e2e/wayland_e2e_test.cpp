// The real program as a Wayland client of a private weston. Headless: it
// connects, makes its toplevel at the remembered size, draws the first board
// and says nothing. Drawing into a window on the test's X display, whose
// pointer and keyboard weston passes on as Wayland input: a click slides a
// piece, File > exit closes it, and the settings keep the position an X
// session stored while the size is saved.

#include <gtest/gtest.h>

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
constexpr auto kSettings = "[Settings]\nleft=50\ntop=60\nwidth=360\nheight=420\n";

// Starts the program as weston's client with a stored placement, plus
// variables; its output goes to the file whose path comes back.
std::string StartClient(Program& program, const Weston& weston,
                        std::vector<std::pair<std::string, std::string>> variables = {}) {
    program.WriteSettings(kSettings);
    auto environment = weston.ClientEnvironment();
    // Qt's Wayland plugin loads Mesa's software GL driver, which leaves an
    // allocation at exit and is unloaded before LeakSanitizer reports it, so
    // it cannot be named in a suppression. A sanitizer build checks the
    // program's own leaks in the X11 tests; here it only runs the Wayland paths.
    const char* asan = std::getenv("ASAN_OPTIONS");
    environment.emplace_back("ASAN_OPTIONS", std::string(asan ? asan : "") + ":detect_leaks=0");
    environment.insert(environment.end(), variables.begin(), variables.end());
    program.SetEnvironment(environment);
    const std::string output = program.Folder() + "/output.txt";
    program.SetOutputFile(output);
    program.Start();
    return output;
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
            while (end < image.width() && row[end] == kBackgroundRgb) ++end;
            if (end - x >= 60) view |= QRect(x, y, end - x, 1);
            x = end;
        }
    }
    if (view.width() < 60 || view.height() < 60) return std::nullopt;
    return LayOutBoard(view.left(), view.top(), view.width(), view.height());
}

// The numbers board with its empty cell at index empty, counted row by row.
bool ShowsNumbersBoard(const QImage& image, int empty) {
    auto board = FindBoard(image);
    return board && NumbersDifference(WindowImage(image), *board, empty).empty();
}

class Wayland : public ::testing::Test {
protected:
    void SetUp() override {
        if (Executable().empty()) GTEST_SKIP() << "TESSERIN_EXE is not set";
    }
};

TEST_F(Wayland, HeadlessTheProgramMapsItsWindowAtTheRememberedSizeAndDrawsTheBoardSilently) {
    Weston weston(Weston::Backend::Headless, 1024, 768);
    ASSERT_TRUE(weston.WaitReady(kWindowTimeout)) << weston.Log();
    Program program(Executable());
    const std::string outputPath = StartClient(program, weston, {{"WAYLAND_DEBUG", "client"}});

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
            return image && ShowsNumbersBoard(*image, 15);
        },
        kWindowTimeout);
    if (!drawn) shot.save(QString::fromStdString(program.Folder() + "/../tesserin-wayland-headless.png"));
    EXPECT_TRUE(drawn) << "no numbers board on the compositor's output";
    EXPECT_TRUE(program.Running());
    // No warning about placing, activating or grabbing: nothing but the protocol.
    EXPECT_EQ(FirstNonProtocolLine(ReadFile(outputPath)), "");
}

TEST_F(Wayland, AClickSlidesAPieceAndClosingSavesTheSizeButKeepsThePosition) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display for weston to draw into";
    Weston weston(Weston::Backend::X11, 1024, 768);
    ASSERT_TRUE(weston.WaitReady(kWindowTimeout)) << weston.Log();
    auto output = weston.XWindow(kWindowTimeout);
    ASSERT_TRUE(output) << "weston made no window\n" << weston.Log();

    Program program(Executable());
    const std::string outputPath = StartClient(program, weston);

    // Whether weston's window comes to show, or to no longer show, the
    // numbers board with its empty cell at empty.
    QImage shot;
    auto numbers = [&](int empty, bool shown, std::chrono::milliseconds timeout) {
        return WaitFor([&] { return ShowsNumbersBoard(shot = GrabWindowQImage(*output), empty) == shown; }, timeout);
    };
    ASSERT_TRUE(numbers(15, true, kWindowTimeout)) << "no numbers board in weston's window";
    const auto board = FindBoard(shot);
    ASSERT_TRUE(board);

    // weston takes the pointer's place from the X server only as it comes
    // into its window: bring it in from outside first.
    auto geometry = WindowGeometry(*output);
    ASSERT_TRUE(geometry && MovePointer(*output, geometry->width + 20, geometry->height + 20));
    ASSERT_TRUE(ClickAt(*output, board->X(2, 3), board->Y(3, 3)));
    const bool slid = numbers(14, true, 20s);
    if (!slid) shot.save(QString::fromStdString(program.Folder() + "/../tesserin-wayland-click.png"));
    EXPECT_TRUE(slid) << "the piece did not slide";

    // The click gave the window the keyboard: File (Alt+F), exit (X).
    ASSERT_TRUE(PressKeys("alt+f"));
    // The menu drops over the top row of pieces.
    EXPECT_TRUE(numbers(14, false, 20s)) << "the File menu did not open";
    ASSERT_TRUE(PressKeys("x"));
    ExpectCleanExit(program);

    const std::string settings = program.ReadSettings();
    ExpectPlacement(settings, "50", "60", "360", "420");
    EXPECT_EQ(IniValue(settings, "Settings", "Image"), "");
    EXPECT_EQ(ReadFile(outputPath), "");
}

}  // namespace
