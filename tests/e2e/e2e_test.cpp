// The real program on a virtual X display: placement kept between runs,
// pieces moved by real clicks, pictures opened from the command line, the
// open dialog and the settings file, closing through the File menu, and the
// settings file it leaves behind.

#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/ProgramTest.h"
#include "tests/e2e/ScreenCheck.h"
#include "tests/e2e/XSession.h"

using namespace std::chrono_literals;
using namespace e2e;

namespace {

using EndToEnd = ProgramTest;

bool SameGeometry(const std::optional<Geometry>& g, int x, int y, int width, int height) {
    return g && g->x == x && g->y == y && g->width == width && g->height == height;
}

std::string Describe(const std::optional<Geometry>& g) {
    if (!g) return "no geometry";
    return "(" + std::to_string(g->x) + ", " + std::to_string(g->y) + ") " + std::to_string(g->width) + " x " +
           std::to_string(g->height);
}

TEST_F(EndToEnd, FirstStartOpensTheDefaultWindowAndExitSavesItsPlacement) {
    Program program(Executable());
    unsigned long window = StartProgram(program);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(WindowTitle(window), "無題 - tesserin");
    auto geometry = WindowGeometry(window);
    EXPECT_TRUE(SameGeometry(geometry, 200, 100, 300, 400)) << Describe(geometry);

    ExitThroughFileMenu(program, window);
    const std::string settings = program.ReadSettings();
    ExpectPlacement(settings, "200", "100", "300", "400");
    EXPECT_EQ(IniValue(settings, "Settings", "Image"), "");
}

TEST_F(EndToEnd, AMovedAndResizedWindowReopensExactlyThere) {
    Program program(Executable());
    unsigned long window = StartProgram(program);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(MoveWindow(window, 50, 60));
    ASSERT_TRUE(ResizeWindow(window, 700, 500));
    ASSERT_TRUE(WaitFor([&] { return SameGeometry(WindowGeometry(window), 50, 60, 700, 500); }, 20s))
        << Describe(WindowGeometry(window));
    ExitThroughFileMenu(program, window);
    const std::string settings = program.ReadSettings();
    ExpectPlacement(settings, "50", "60", "700", "500");

    window = StartProgram(program);
    ASSERT_NE(window, 0u);
    auto geometry = WindowGeometry(window);
    EXPECT_TRUE(SameGeometry(geometry, 50, 60, 700, 500)) << Describe(geometry);
    ExitThroughFileMenu(program, window);
}

// The starting numbers board, once all of it is on screen: the first paint
// reaches the screen a few rectangles at a time.
std::optional<BoardOnScreen> StartingBoard(unsigned long window) {
    std::optional<BoardOnScreen> board;
    const bool drawn = WaitFor(
        [&] {
            return (board = FindBoard(window)) && PixelAt(window, board->X(0), board->Y(0)) == kTileFace &&
                   PixelAt(window, board->X(2), board->Y(3)) == kTileFace &&
                   PixelAt(window, board->X(3), board->Y(3)) == kBackground;
        },
        20s);
    return drawn ? board : std::nullopt;
}

// Clicks the piece left of the starting board's empty cell (bottom right).
bool ClickBesideTheEmptyCell(unsigned long window, const BoardOnScreen& board) {
    return ClickAt(window, board.X(2) + board.piece / 2, board.Y(3) + board.piece / 2);
}

// Waits for that piece to have slid into the empty cell.
bool SlidIntoTheEmptyCell(unsigned long window, const BoardOnScreen& board) {
    return WaitFor(
        [&] {
            return PixelAt(window, board.X(2), board.Y(3)) == kBackground &&
                   PixelAt(window, board.X(3), board.Y(3)) == kTileFace;
        },
        20s);
}

TEST_F(EndToEnd, ClickingSlidesAPieceAndNumbersBuildsTheBoardAfresh) {
    Program program(Executable());
    program.WriteSettings("[Settings]\n");
    unsigned long window = StartProgram(program);
    ASSERT_NE(window, 0u);
    std::optional<BoardOnScreen> board = StartingBoard(window);
    ASSERT_TRUE(board) << "no board drawn";

    ASSERT_TRUE(ClickBesideTheEmptyCell(window, *board));
    bool slid = SlidIntoTheEmptyCell(window, *board);
    if (!slid) SaveWindow(window, program.Folder() + "/../tesserin-e2e-click.png");
    EXPECT_TRUE(slid) << "the piece did not slide";

    // File > numbers: back to the solved board.
    ChooseFromFileMenu(program, window, false);
    EXPECT_TRUE(WaitFor(
        [&] {
            return PixelAt(window, board->X(3), board->Y(3)) == kBackground &&
                   PixelAt(window, board->X(2), board->Y(3)) == kTileFace;
        },
        20s))
        << "the board was not built afresh";

    ExitThroughFileMenu(program, window);
    const std::string settings = program.ReadSettings();
    EXPECT_EQ(IniValue(settings, "Settings", "Image"), "") << settings;
}

// A slide runs inside the press's handler; meanwhile the pointer is the
// screen's, not the sliding copy's: a click in another copy reaches it.
TEST_F(EndToEnd, AClickInAnotherCopyDuringASlideIsNotLost) {
    Program first(Executable()), second(Executable());
    // Large pieces, so that the first slide lasts well past the second click.
    first.WriteSettings("[Settings]\nleft=0\ntop=0\nwidth=620\nheight=900\n");
    second.WriteSettings("[Settings]\nleft=640\ntop=0\nwidth=620\nheight=900\n");
    const unsigned long windows[] = {StartProgram(first), StartProgram(second)};
    ASSERT_NE(windows[0], 0u);
    ASSERT_NE(windows[1], 0u);
    std::optional<BoardOnScreen> boards[] = {StartingBoard(windows[0]), StartingBoard(windows[1])};
    ASSERT_TRUE(boards[0] && boards[1]) << "no boards drawn";

    for (int i : {0, 1}) ASSERT_TRUE(ClickBesideTheEmptyCell(windows[i], *boards[i]));
    EXPECT_TRUE(SlidIntoTheEmptyCell(windows[0], *boards[0])) << "the first copy did not slide";
    EXPECT_TRUE(SlidIntoTheEmptyCell(windows[1], *boards[1])) << "the click in the second copy was lost";
    ExitThroughFileMenu(first, windows[0]);
    ExitThroughFileMenu(second, windows[1]);
}

TEST_F(EndToEnd, AMistypedNameOnTheCommandLineEndsTheStartAndKeepsTheRememberedPicture) {
    Program program(Executable());
    const std::string remembered = program.Folder() + "/last game.png";
    program.WriteSettings("[Settings]\nImage=" + remembered + "\n");
    program.Start({program.Folder() + "/missing.png"});
    auto box = program.FindWindowTitled("tesserin", kWindowTimeout);
    ASSERT_TRUE(box) << "no message box appeared";
    ASSERT_TRUE(FocusWindow(*box));
    ASSERT_TRUE(PressKeys("Return"));
    int status = 0;
    ASSERT_TRUE(program.WaitForExit(30s, &status)) << "the program did not end";
    const std::string settings = program.ReadSettings();
    EXPECT_EQ(IniValue(settings, "Settings", "Image"), remembered) << settings;
}

// Pictures made of flat blocks of colour, so that each piece on the board is
// recognisable by one colour. Scaling blurs a pixel or two at the blocks'
// edges, so pixels are only compared well inside a piece, with a little slack.

constexpr Pixel kFrameLight{128, 128, 128};
constexpr Pixel kFrameDark{0, 0, 0};
constexpr Pixel kWhite{255, 255, 255};

constexpr int kSlack = 6;

// Writes a PNG of blocks of 100 x 100 pixels, colours row by row.
bool WritePicture(const std::string& path, int columns, const std::vector<Pixel>& colours) {
    const int block = 100;
    const int rows = static_cast<int>(colours.size()) / columns;
    QImage image(columns * block, rows * block, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const Pixel& p = colours[static_cast<std::size_t>(y / block * columns + x / block)];
            image.setPixel(x, y, qRgb(p.red, p.green, p.blue));
        }
    }
    return image.save(QString::fromStdString(path), "PNG");
}

// Sixteen colours, one per piece of the 4 x 4 grid, none of them near a
// frame, the background, a numbered tile or white.
const std::vector<Pixel> kSixteen = [] {
    std::vector<Pixel> colours;
    for (int k = 0; k < 16; ++k) colours.push_back(Pixel{20 + 70 * (k % 4), 20 + 70 * (k / 4), 100});
    return colours;
}();

// Eight colours in 4 columns and 2 rows: a picture twice as wide as high.
const std::vector<Pixel> kEight = {{30, 60, 0},  {100, 60, 0},  {170, 60, 0},  {240, 60, 0},
                                   {30, 180, 0}, {100, 180, 0}, {170, 180, 0}, {240, 180, 0}};

// The sixteen-colour picture fills the square board; its last piece is
// missing, and its empty cell shows the background.
const Cells kSixteenBoard = [] {
    Cells cells;
    for (int k = 0; k < 15; ++k) cells[k] = kSixteen[k];
    cells[15] = kBackground;
    return cells;
}();

// The wide picture keeps its proportions: white bands fill the top and the
// bottom quarter of the square, its two rows of blocks the middle rows.
const Cells kEightBoard = {kWhite,    kWhite,    kWhite,    kWhite,    kEight[0], kEight[1], kEight[2], kEight[3],
                           kEight[4], kEight[5], kEight[6], kEight[7], kWhite,    kWhite,    kWhite,    kBackground};

// The first difference between the playing board on screen and cells, or "".
std::string PlayingDifference(const WindowImage& image, const BoardOnScreen& board, const Cells& cells) {
    const int p = board.piece;
    for (int k = 0; k < 16; ++k) {
        if (std::string difference = InsideDifference(image, board, k, cells[k], kSlack); !difference.empty())
            return difference;
        const int x = board.CellX(k % 4);
        const int y = board.CellY(k / 4);
        const bool empty = cells[k] == kBackground;
        struct Spot {
            const char* name;
            int x;
            int y;
            Pixel colour;
        };
        const Spot frame[] = {
            {"left edge", x, y + p / 2, empty ? kBackground : kFrameLight},
            {"top edge", x + p / 2, y, empty ? kBackground : kFrameLight},
            {"right edge", x + p - 2, y + p / 2, empty ? kBackground : kFrameDark},
            {"bottom edge", x + p / 2, y + p - 2, empty ? kBackground : kFrameDark},
            {"gap to the right", x + p - 1, y + p / 2, kBackground},
            {"gap below", x + p / 2, y + p - 1, kBackground},
        };
        for (const Spot& spot : frame) {
            auto seen = image.At(spot.x, spot.y);
            if (seen != spot.colour)
                return "cell " + std::to_string(k) + " " + spot.name + " shows " + Show(seen) + ", not " +
                       Show(spot.colour);
        }
    }
    return "";
}

// The first difference between the solved board on screen and the whole
// picture, or "": every piece in place, and no frame or gap left anywhere.
std::string SolvedDifference(const WindowImage& image, const BoardOnScreen& board, const Cells& cells) {
    const int p = board.piece;
    for (int k = 0; k < 16; ++k) {
        if (std::string difference = InsideDifference(image, board, k, cells[k], kSlack); !difference.empty())
            return difference;
        const int x = board.CellX(k % 4);
        const int y = board.CellY(k / 4);
        const std::pair<int, int> edges[] = {
            {x, y + p / 2}, {x + p / 2, y}, {x + p - 2, y + p / 2}, {x + p - 1, y + p / 2}, {x + p / 2, y + p - 1}};
        for (auto [ex, ey] : edges) {
            auto seen = image.At(ex, ey);
            if (!seen || Near(seen, kFrameLight, kSlack) || Near(seen, kFrameDark, kSlack) ||
                Near(seen, kBackground, kSlack))
                return "cell " + std::to_string(k) + " edge at (" + std::to_string(ex) + ", " + std::to_string(ey) +
                       ") shows " + Show(seen);
        }
    }
    return "";
}

class Pictures : public EndToEnd {
protected:
    void ExpectPlaying(Program& program, unsigned long window, const Cells& cells, const std::string& what) {
        ExpectBoard(
            program, window,
            [&](const WindowImage& image, const BoardOnScreen& board) {
                return PlayingDifference(image, board, cells);
            },
            what);
    }

    void ExpectTitle(unsigned long window, const std::string& title) {
        EXPECT_TRUE(WaitFor([&] { return WindowTitle(window) == title; }, 20s)) << WindowTitle(window);
    }
};

TEST_F(Pictures, APictureOnTheCommandLineIsCutIntoFramedPiecesThatSlideAndJoinWhenSolved) {
    Program program(Executable());
    program.WriteSettings("[Settings]\n");
    const std::string path = program.Folder() + "/写真 1.png";
    ASSERT_TRUE(WritePicture(path, 4, kSixteen));
    const unsigned long window = StartProgram(program, {path});
    ASSERT_NE(window, 0u);
    ExpectTitle(window, "写真 1.png - tesserin");
    ExpectPlaying(program, window, kSixteenBoard, "picture");

    // The piece left of the empty cell slides into it.
    ASSERT_TRUE(ClickCell(window, 3, 2));
    Cells moved = kSixteenBoard;
    moved[14] = kBackground;
    moved[15] = kSixteen[14];
    ExpectPlaying(program, window, moved, "picture-slid");

    // Sliding it back puts every piece home: the whole picture, frames gone.
    ASSERT_TRUE(ClickCell(window, 3, 3));
    Cells whole;
    std::copy(kSixteen.begin(), kSixteen.end(), whole.begin());
    ExpectBoard(
        program, window,
        [&](const WindowImage& image, const BoardOnScreen& board) { return SolvedDifference(image, board, whole); },
        "picture-solved");

    ExitThroughFileMenu(program, window);
}

TEST_F(Pictures, TheOpenDialogShowsAnotherPictureWhichTheNextStartReopens) {
    Program program(Executable());
    program.WriteSettings("[Settings]\n");
    const std::string first = program.Folder() + "/写真 1.png";
    const std::string second = program.Folder() + "/second picture.png";
    ASSERT_TRUE(WritePicture(first, 4, kSixteen));
    ASSERT_TRUE(WritePicture(second, 4, kEight));
    unsigned long window = StartProgram(program, {first});
    ASSERT_NE(window, 0u);
    ExpectPlaying(program, window, kSixteenBoard, "first-picture");

    ASSERT_NO_FATAL_FAILURE(OpenThroughDialog(program, window, second));
    ExpectTitle(window, "second picture.png - tesserin");
    ExpectPlaying(program, window, kEightBoard, "second-picture");

    ExitThroughFileMenu(program, window);
    const std::string settings = program.ReadSettings();
    EXPECT_EQ(IniValue(settings, "Settings", "Image"), second) << settings;
    EXPECT_EQ(IniValue(settings, "Recent File List", "File1"), second);
    EXPECT_EQ(IniValue(settings, "Recent File List", "File2"), first);

    // No name on the command line: the remembered picture comes back.
    window = StartProgram(program);
    ASSERT_NE(window, 0u);
    ExpectTitle(window, "second picture.png - tesserin");
    ExpectPlaying(program, window, kEightBoard, "reopened-picture");
    ExitThroughFileMenu(program, window);
}

TEST_F(Pictures, ABrokenPictureIsReportedAndTheBoardShowsNumbers) {
    Program program(Executable());
    program.WriteSettings("[Settings]\n");
    const std::string path = program.Folder() + "/壊れた 絵.png";
    ASSERT_TRUE(WritePicture(path, 4, kSixteen));
    // Cut off in the middle of the image data.
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
    program.Start({path});

    // Open menus carry the bare program name as their title too; none is open yet.
    auto box = program.FindWindowTitled("tesserin", kWindowTimeout);
    ASSERT_TRUE(box) << "no message box appeared";
    // Its text cannot be read back from the server; the caption says whose it is.
    ASSERT_TRUE(FocusWindow(*box));
    ASSERT_TRUE(PressKeys("Return"));
    EXPECT_TRUE(WaitFor([&] { return program.WindowsTitled("tesserin").empty(); }, 20s)) << "the message box stayed";

    auto window = program.FindMainWindow(kWindowTimeout);
    ASSERT_TRUE(window) << "no main window appeared";
    ExpectTitle(*window, "壊れた 絵.png - tesserin");
    ExpectBoard(
        program, *window,
        [](const WindowImage& image, const BoardOnScreen& board) { return NumbersDifference(image, board, 15); },
        "broken-picture");
    ExitThroughFileMenu(program, *window);
}

}  // namespace
