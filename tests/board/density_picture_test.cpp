// The board's picture on screens of several densities: prepared at the
// view's ratio, copied onto the device pixel for pixel, prepared again when
// the window moves to a screen of another density.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

#include "board/BoardLayout.h"
#include "platform/Surface.h"
#include "tests/board/BoardTestSupport.h"

namespace {

constexpr platform::Rgb kWhite{255, 255, 255};

// A window of any reported ratio that draws on a surface of a ratio it can
// hold, and records what it is asked to repaint.
class DenseWindow : public platform::Window {
public:
    explicit DenseWindow(double ratio) : reported(ratio), surface(140, 140, kWhite, Drawable(ratio)) {}
    void InvalidateRect(int l, int t, int r, int b, bool) override { invalidated.push_back({l, t, r, b}); }
    std::unique_ptr<platform::DeviceContext> GetDC() override { return surface.Context(); }
    double DevicePixelRatio() const override { return reported; }

    static double Drawable(double ratio) { return ratio >= 1 && ratio <= 2 ? ratio : 1.0; }

    double reported;
    platform::Surface surface;
    std::vector<std::vector<int>> invalidated;
};

// Detail everywhere: every pixel differs from its neighbours.
Image Detailed(int w, int h) {
    Image image = Blank(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.set_color(Point(x, y), Color(x * 7 % 256, y * 5 % 256, (x ^ y) % 256), true);
    return image;
}

platform::Rgb At(const Image& image, int x, int y) {
    const Color c = image.get_color(Point(x, y), true);
    return {c.red, c.green, c.blue};
}

// The board at (20, 20), 100 x 100 in logical pixels, 4 x 4 pieces of 25.
struct Density {
    double reported;
    int imageSide;     // boardImage's side, hand-worked
    double imageRatio;
};

const std::vector<Density> kDensities = {
    {1.0, 100, 1.0},
    {1.5, 150, 1.5},
    {2.0, 200, 2.0},
    // Coarser screens gain nothing below the logical size; beyond 4 the
    // picture stops growing; a ratio that is no number counts as 1.
    {0.5, 100, 1.0},
    {9.0, 400, 4.0},
    {std::numeric_limits<double>::quiet_NaN(), 100, 1.0},
};

TEST(DensityPicture, PreparedAtTheViewsRatioAndCopiedPixelForPixel) {
    Image photo = Detailed(300, 300);
    for (const Density& d : kDensities) {
        SCOPED_TRACE(d.reported);
        DenseWindow window(d.reported);
        PuzzleBoard board;
        board.view = &window;
        Place(board, 20, 20, 100, 100, 4);
        board.SetPicture(&photo);
        EXPECT_EQ(board.boardImage.width(), d.imageSide);
        EXPECT_EQ(board.boardImage.height(), d.imageSide);
        EXPECT_EQ(board.boardImageRatio, d.imageRatio);
        if (DenseWindow::Drawable(d.reported) != d.reported) continue;

        // Logical 20 lies on a whole device pixel at every ratio here, so the
        // board's device pixel (X, Y) shows the picture's (X - 20r, Y - 20r).
        const int origin = int(20 * d.imageRatio);
        platform::Surface& s = window.surface;
        board.solved = true;
        board.Draw(*s.Context());
        int wrong = 0;
        for (int y = origin; y < origin + d.imageSide; ++y)
            for (int x = origin; x < origin + d.imageSide; ++x)
                wrong += s.Pixel(x, y) != At(board.boardImage, x - origin, y - origin);
        EXPECT_EQ(wrong, 0) << "solved board";

        // While playing, a framed piece's inside is cut the same way: piece 5
        // at home, logical (46, 46) .. (68, 68) inside its frame.
        board.solved = false;
        board.Draw(*s.Context());
        const int from = int(std::floor(46 * d.imageRatio + 0.5)), to = int(std::floor(68 * d.imageRatio + 0.5));
        wrong = 0;
        for (int y = from; y < to; ++y)
            for (int x = from; x < to; ++x) wrong += s.Pixel(x, y) != At(board.boardImage, x - origin, y - origin);
        EXPECT_EQ(wrong, 0) << "framed piece";
    }
}

TEST(DensityPicture, AnotherScreensRatioPreparesThePictureAgainKeepingTheGame) {
    SleepHookScope noSleep;
    Image photo = Detailed(300, 300);
    DenseWindow window(1.0);
    PuzzleBoard board;
    board.view = &window;
    Place(board, 20, 20, 100, 100, 4);
    board.SetPicture(&photo);
    board.Shuffle();
    const std::vector<int> pieces = Pieces(board);
    board.solved = true;  // as after the last move of a game

    window.reported = 2.0;
    window.invalidated.clear();
    board.MatchDeviceRatio();
    EXPECT_EQ(board.boardImage.width(), 200);
    EXPECT_EQ(board.boardImageRatio, 2.0);
    EXPECT_EQ(Pieces(board), pieces);
    EXPECT_TRUE(board.solved);
    for (const auto& row : board.cells) {
        for (const auto& cell : row) {
            EXPECT_EQ(cell->source, &board.boardImage);
            EXPECT_EQ(cell->sourceRatio, 2.0);
            EXPECT_EQ(cell->sourceX, cell->pieceNumber % 4 * 25);
            EXPECT_EQ(cell->sourceY, cell->pieceNumber / 4 * 25);
        }
    }
    EXPECT_EQ(window.invalidated, (std::vector<std::vector<int>>{{20, 20, 120, 120}}));

    // The same ratio again, or no picture at all: nothing to do.
    window.invalidated.clear();
    board.MatchDeviceRatio();
    EXPECT_TRUE(window.invalidated.empty());
    board.SetPicture(nullptr);
    window.invalidated.clear();
    window.reported = 1.5;
    board.MatchDeviceRatio();
    EXPECT_TRUE(window.invalidated.empty());
    EXPECT_EQ(board.boardImageRatio, 2.0);
}

TEST(DensityPicture, ALayoutKeepsThePictureUnlessItsSizeOrRatioChanged) {
    Image photo = Detailed(300, 200);
    DenseWindow window(1.0);
    PuzzleBoard board;
    board.view = &window;
    board::ApplyLayout(board, {20, 10, 100});
    board.SetPicture(&photo);
    // Moved; then half the side on an unnoticed screen of twice the density:
    // as many device pixels, yet a new picture.
    for (auto [layout, ratio, kept] : {std::tuple{board::BoardLayout{40, 10, 100}, 1.0, true},
                                       std::tuple{board::BoardLayout{40, 10, 50}, 2.0, false}}) {
        const std::uint8_t* before = board.boardImage.bitmap();
        window.reported = ratio;
        board::ApplyLayout(board, layout);
        EXPECT_EQ(board.boardImage.bitmap() == before, kept) << layout.side;
        EXPECT_EQ(board.boardImageRatio, ratio) << layout.side;
    }
}

}  // namespace
