// The board's picture on screens of several densities: prepared at the
// view's ratio, copied onto the device pixel for pixel, prepared again when
// the window moves to a screen of another density.

#include <gtest/gtest.h>

#include <limits>
#include <tuple>
#include <vector>

#include "board/BoardLayout.h"
#include "display/Surface.h"
#include "tests/board/BoardTestSupport.h"
#include "tests/board/FakeWindow.h"

namespace {

// Detail everywhere: every pixel differs from its neighbours.
Image Detailed(int w, int h) {
    Image image = Blank(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.set_color(Point(x, y), Color(x * 7 % 256, y * 5 % 256, (x ^ y) % 256), true);
    return image;
}

// Device pixels of the square [from, to) that differ from the picture
// whose corner lies at device pixel (origin, origin).
int Mismatches(const display::Surface& s, const Image& picture, int origin, int from, int to) {
    int wrong = 0;
    for (int y = from; y < to; ++y)
        for (int x = from; x < to; ++x) {
            const Color c = picture.get_color(Point(x - origin, y - origin), true);
            wrong += s.Pixel(x, y) != platform::Rgb{c.red, c.green, c.blue};
        }
    return wrong;
}

TEST(DensityPicture, PreparedAtTheViewsRatioAndCopiedPixelForPixel) {
    // The board at (20, 20), 100 x 100 logical pixels, 4 x 4 pieces of 25.
    // Coarser screens gain nothing below the logical size; beyond 4 the
    // picture stops growing; a ratio that is no number counts as 1.
    const struct {
        double reported;
        int side;  // boardImage's, hand-worked
        double ratio;
    } cases[] = {
        {1.5, 150, 1.5},
        {2.0, 200, 2.0},
        {0.5, 100, 1.0},
        {9.0, 400, 4.0},
        {std::numeric_limits<double>::quiet_NaN(), 100, 1.0},
    };
    Image photo = Detailed(300, 300);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reported);
        fake::Window window;
        window.ratio = c.reported;
        PuzzleBoard board;
        board.view = &window;
        Place(board, 20, 20, 100, 100, 4);
        board.SetPicture(&photo);
        EXPECT_EQ(board.boardImage.width(), c.side);
        EXPECT_EQ(board.boardImage.height(), c.side);
        EXPECT_EQ(board.boardImageRatio, c.ratio);

        // On a surface of the picture's density every logical edge used here
        // lies on a whole device pixel: the board shows the picture unmoved,
        // whole when solved, and inside piece 5's frame, logical (46, 46) ..
        // (68, 68), while playing.
        display::Surface s(140, 140, {255, 255, 255}, c.ratio);
        const int origin = int(20 * c.ratio);
        board.solved = true;
        board.Draw(*s.Context());
        EXPECT_EQ(Mismatches(s, board.boardImage, origin, origin, origin + c.side), 0) << "solved board";
        board.solved = false;
        board.Draw(*s.Context());
        EXPECT_EQ(Mismatches(s, board.boardImage, origin, int(46 * c.ratio), int(68 * c.ratio)), 0) << "framed piece";
    }
}

TEST(DensityPicture, AnotherScreensRatioPreparesThePictureAgainKeepingTheGame) {
    SleepHookScope noSleep;
    Image photo = Detailed(300, 300);
    fake::Window window;
    PuzzleBoard board;
    board.view = &window;
    Place(board, 20, 20, 100, 100, 4);
    board.SetPicture(&photo);
    board.Shuffle();
    const std::vector<int> pieces = Pieces(board);
    board.solved = true;  // as after the last move of a game

    window.ratio = 2.0;
    window.invalidated.clear();
    board.MatchDeviceRatio();
    EXPECT_EQ(board.boardImage.width(), 200);
    EXPECT_EQ(board.boardImageRatio, 2.0);
    EXPECT_EQ(Pieces(board), pieces);
    EXPECT_TRUE(board.solved);
    for (const auto& row : board.cells)
        for (const auto& cell : row) EXPECT_EQ(cell->sourceRatio, 2.0);
    EXPECT_EQ(window.invalidated, (std::vector<std::vector<int>>{{20, 20, 120, 120, 1}}));

    // The same ratio again, or no picture at all: nothing to do.
    window.invalidated.clear();
    board.MatchDeviceRatio();
    EXPECT_TRUE(window.invalidated.empty());
    board.SetPicture(nullptr);
    window.invalidated.clear();
    window.ratio = 1.5;
    board.MatchDeviceRatio();
    EXPECT_TRUE(window.invalidated.empty());
    EXPECT_EQ(board.boardImageRatio, 2.0);
}

TEST(DensityPicture, ALayoutKeepsThePictureUnlessItsSizeOrRatioChanged) {
    Image photo = Detailed(300, 200);
    fake::Window window;
    PuzzleBoard board;
    board.view = &window;
    board::ApplyLayout(board, {20, 10, 100});
    board.SetPicture(&photo);
    // Moved; then half the side on an unnoticed screen of twice the density:
    // as many device pixels, yet a new picture.
    for (auto [layout, ratio, kept] : {std::tuple{board::BoardLayout{40, 10, 100}, 1.0, true},
                                       std::tuple{board::BoardLayout{40, 10, 50}, 2.0, false}}) {
        const std::uint8_t* before = board.boardImage.bitmap();
        window.ratio = ratio;
        board::ApplyLayout(board, layout);
        EXPECT_EQ(board.boardImage.bitmap() == before, kept) << layout.side;
        EXPECT_EQ(board.boardImageRatio, ratio) << layout.side;
    }
}

}  // namespace
