// The real program on a virtual X display: placement kept between runs,
// pieces moved by real clicks, closing through the File menu, and the
// settings file it leaves behind.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "tests/e2e/XSession.h"

using namespace std::chrono_literals;
using namespace e2e;

namespace {

constexpr Pixel kBackground{46, 70, 161};
constexpr Pixel kTileFace{30, 30, 230};
constexpr auto kWindowTimeout = 60s;  // generous: sanitizer builds on a loaded machine start slowly

std::string Executable() {
    const char* path = std::getenv("TESSERIN_EXE");
    return path ? path : "";
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (Executable().empty())
            GTEST_SKIP() << "TESSERIN_EXE is not set";
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no X display";
    }

    // Starts the program and waits for its main window.
    unsigned long Start(Program& program) {
        program.Start();
        auto window = program.FindMainWindow(kWindowTimeout);
        EXPECT_TRUE(window) << "no main window appeared";
        return window.value_or(0);
    }

    // Opens the File menu by clicking its title, and returns the popup.
    std::optional<unsigned long> OpenFileMenu(Program& program, unsigned long window) {
        EXPECT_TRUE(ClickAt(window, 20, 10));
        return program.FindPopup(window, 20s);
    }

    void ChooseFromFileMenu(Program& program, unsigned long window, bool last) {
        auto popup = OpenFileMenu(program, window);
        ASSERT_TRUE(popup) << "the File menu did not open";
        auto geometry = WindowGeometry(*popup);
        ASSERT_TRUE(geometry);
        ASSERT_TRUE(ClickAt(*popup, geometry->width / 2, last ? geometry->height - 14 : 14));
    }

    void ExitThroughFileMenu(Program& program, unsigned long window) {
        ChooseFromFileMenu(program, window, true);
        int status = -1;
        ASSERT_TRUE(program.WaitForExit(30s, &status)) << "the program did not end";
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
};

bool SameGeometry(const std::optional<Geometry>& g, int x, int y, int width, int height) {
    return g && g->x == x && g->y == y && g->width == width && g->height == height;
}

std::string Describe(const std::optional<Geometry>& g) {
    if (!g)
        return "no geometry";
    return "(" + std::to_string(g->x) + ", " + std::to_string(g->y) + ") " + std::to_string(g->width) + " x " +
           std::to_string(g->height);
}

TEST_F(EndToEnd, FirstStartOpensTheDefaultWindowAndExitSavesItsPlacement) {
    Program program(Executable());
    unsigned long window = Start(program);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(WindowTitle(window), "無題 - tesserin");
    auto geometry = WindowGeometry(window);
    EXPECT_TRUE(SameGeometry(geometry, 200, 100, 300, 400)) << Describe(geometry);

    ExitThroughFileMenu(program, window);
    const std::string settings = program.ReadSettings();
    EXPECT_EQ(IniValue(settings, "Settings", "left"), "200") << settings;
    EXPECT_EQ(IniValue(settings, "Settings", "top"), "100");
    EXPECT_EQ(IniValue(settings, "Settings", "width"), "300");
    EXPECT_EQ(IniValue(settings, "Settings", "height"), "400");
    EXPECT_EQ(IniValue(settings, "Settings", "Image"), "");
}

TEST_F(EndToEnd, AMovedAndResizedWindowReopensExactlyThere) {
    Program program(Executable());
    unsigned long window = Start(program);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(MoveWindow(window, 50, 60));
    ASSERT_TRUE(ResizeWindow(window, 700, 500));
    ASSERT_TRUE(WaitFor([&] { return SameGeometry(WindowGeometry(window), 50, 60, 700, 500); }, 20s))
        << Describe(WindowGeometry(window));
    ExitThroughFileMenu(program, window);
    const std::string settings = program.ReadSettings();
    EXPECT_EQ(IniValue(settings, "Settings", "left"), "50") << settings;
    EXPECT_EQ(IniValue(settings, "Settings", "top"), "60");
    EXPECT_EQ(IniValue(settings, "Settings", "width"), "700");
    EXPECT_EQ(IniValue(settings, "Settings", "height"), "500");

    window = Start(program);
    ASSERT_NE(window, 0u);
    auto geometry = WindowGeometry(window);
    EXPECT_TRUE(SameGeometry(geometry, 50, 60, 700, 500)) << Describe(geometry);
    ExitThroughFileMenu(program, window);
}

// Where the board's cells are: the view is the background-coloured band
// between the bars; the board is laid out in it as the view does it.
struct BoardOnScreen {
    int viewTop = 0;
    int left = 0;
    int top = 0;
    int piece = 0;
    // A pixel just inside the frame of cell (row, column), in window coordinates.
    int X(int column) const { return left + column * piece + 3; }
    int Y(int row) const { return viewTop + top + row * piece + 3; }
};

std::optional<BoardOnScreen> FindBoard(unsigned long window) {
    auto geometry = WindowGeometry(window);
    if (!geometry)
        return std::nullopt;
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < geometry->height; ++y) {
        bool background = PixelAt(window, 4, y) == kBackground;
        if (background && top < 0)
            top = y;
        if (!background && top >= 0) {
            bottom = y;
            break;
        }
    }
    if (top < 0 || bottom < 0)
        return std::nullopt;
    const int width = geometry->width;
    const int height = bottom - top;
    const int side = width > height ? height - 30 : width - 30;
    BoardOnScreen board;
    board.viewTop = top;
    board.left = (width - side) / 2;
    board.top = 10;
    board.piece = side / 4;
    return board;
}

TEST_F(EndToEnd, ClickingSlidesAPieceAndNumbersBuildsTheBoardAfresh) {
    Program program(Executable());
    program.WriteSettings("[Settings]\n");
    unsigned long window = Start(program);
    ASSERT_NE(window, 0u);
    // The first paint reaches the screen a few rectangles at a time: wait for
    // the whole starting board, not just its first cell.
    std::optional<BoardOnScreen> board;
    ASSERT_TRUE(WaitFor([&] {
        return (board = FindBoard(window)) && PixelAt(window, board->X(0), board->Y(0)) == kTileFace &&
               PixelAt(window, board->X(2), board->Y(3)) == kTileFace &&
               PixelAt(window, board->X(3), board->Y(3)) == kBackground;
    }, 20s)) << "no board drawn";

    // The empty cell is bottom right; click the piece on its left.
    EXPECT_EQ(PixelAt(window, board->X(3), board->Y(3)), kBackground);
    ASSERT_EQ(PixelAt(window, board->X(2), board->Y(3)), kTileFace);
    ASSERT_TRUE(ClickAt(window, board->X(2) + board->piece / 2, board->Y(3) + board->piece / 2));
    bool slid = WaitFor([&] {
        return PixelAt(window, board->X(2), board->Y(3)) == kBackground &&
               PixelAt(window, board->X(3), board->Y(3)) == kTileFace;
    }, 20s);
    if (!slid)
        SaveWindow(window, program.Folder() + "/../tesserin-e2e-click.png");
    EXPECT_TRUE(slid) << "the piece did not slide";

    // File > numbers: back to the solved board.
    ChooseFromFileMenu(program, window, false);
    EXPECT_TRUE(WaitFor([&] {
        return PixelAt(window, board->X(3), board->Y(3)) == kBackground &&
               PixelAt(window, board->X(2), board->Y(3)) == kTileFace;
    }, 20s)) << "the board was not built afresh";

    ExitThroughFileMenu(program, window);
    const std::string settings = program.ReadSettings();
    EXPECT_EQ(IniValue(settings, "Settings", "Image"), "") << settings;
}

}  // namespace
