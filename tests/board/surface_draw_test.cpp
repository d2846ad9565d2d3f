// The numbers board drawn on a real raster surface, checked pixel by pixel.

#include <gtest/gtest.h>

#include <climits>

#include "board/BoardCell.h"
#include "display/Surface.h"
#include "tests/board/BoardTestSupport.h"

namespace {

constexpr platform::Rgb kWhite{255, 255, 255};

// Text is anti-aliased, so colours are matched loosely. Blends of the face
// (30, 30, 230) and the number (0, 0, 60) never get more red than 30: only the
// shadow (60, 60, 60) does.
struct Ink {
    int left = INT_MAX, right = INT_MIN, top = INT_MAX, bottom = INT_MIN, count = 0;
    void Add(int x, int y) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        ++count;
    }
};

bool IsNumber(platform::Rgb p) { return p.red < 15 && p.blue < 120; }
bool IsShadow(platform::Rgb p) { return p.red > 35 && p.red < 100 && p.red == p.green; }

Ink Find(const display::Surface& s, const BoardCell& cell, bool (*match)(platform::Rgb)) {
    Ink ink;
    // Inside the frame, whose grey would pass for shadow.
    for (int y = cell.y + 1; y < cell.y + cell.height - 2; ++y)
        for (int x = cell.x + 1; x < cell.x + cell.width - 2; ++x)
            if (match(s.Pixel(x, y))) ink.Add(x, y);
    return ink;
}

// A tile: frame edges, face, untouched gap, and a centred number over its
// shadow one pixel right and down.
void ExpectTile(const display::Surface& s, const BoardCell& cell) {
    const int x = cell.x, y = cell.y, w = cell.width, h = cell.height;
    SCOPED_TRACE("piece " + std::to_string(cell.pieceNumber));
    EXPECT_EQ(s.Pixel(x, y), board::kFrameTopLeft);
    EXPECT_EQ(s.Pixel(x + w - 3, y), board::kFrameTopLeft);
    EXPECT_EQ(s.Pixel(x, y + h - 3), board::kFrameTopLeft);
    EXPECT_EQ(s.Pixel(x + w - 2, y), board::kFrameBottomRight);
    EXPECT_EQ(s.Pixel(x + w - 2, y + h - 2), board::kFrameBottomRight);
    EXPECT_EQ(s.Pixel(x, y + h - 2), board::kFrameBottomRight);
    EXPECT_EQ(s.Pixel(x + 1, y + 1), board::kTileFace);
    EXPECT_EQ(s.Pixel(x + w - 3, y + h - 3), board::kTileFace);
    EXPECT_EQ(s.Pixel(x + w - 1, y + h / 2), kWhite);
    EXPECT_EQ(s.Pixel(x + w / 2, y + h - 1), kWhite);

    const Ink number = Find(s, cell, IsNumber);
    const Ink shadow = Find(s, cell, IsShadow);
    ASSERT_GT(number.count, 20);
    ASSERT_GT(shadow.count, 0);
    // Drawn over its shadow, the number leaves only a fringe of it showing,
    // on the right and lower side of every stroke.
    EXPECT_LT(shadow.count, number.count / 2);
    EXPECT_GE(shadow.left, number.left);
    EXPECT_GE(shadow.top, number.top);
    EXPECT_GT(shadow.right, number.right);
    EXPECT_GT(shadow.bottom, number.bottom);
    EXPECT_NEAR((number.left + number.right) / 2.0, x + w / 2.0, 4.0);
    EXPECT_NEAR((number.top + number.bottom) / 2.0, y + h / 2.0, 6.0);
}

TEST(SurfaceDrawing, PlayingThreeByThreeBoard) {
    display::Surface surface(320, 320, kWhite);
    PuzzleBoard board;
    Place(board, 5, 7, 300, 300, 3);
    board.Draw(*surface.Context());
    for (int r = 0; r < 3; ++r)
        for (int j = 0; j < 3; ++j)
            if (r < 2 || j < 2) ExpectTile(surface, *board.cells[r][j]);
    // The empty cell: background, one pixel smaller at the right and bottom.
    EXPECT_EQ(surface.Pixel(205, 207), board::kBackground);
    EXPECT_EQ(surface.Pixel(303, 305), board::kBackground);
    EXPECT_EQ(surface.Pixel(304, 250), kWhite);
    EXPECT_EQ(surface.Pixel(250, 306), kWhite);
    EXPECT_EQ(Find(surface, *board.cells[2][2], IsNumber).count, 0);
}

TEST(SurfaceDrawing, SolvedFourByFourBoardShowsEverySixteenTiles) {
    display::Surface surface(480, 480, kWhite);
    PuzzleBoard board;
    Place(board, 10, 10, 450, 450, 4);  // pieces of 112
    board.solved = true;
    board.Draw(*surface.Context());
    for (const auto& row : board.cells)
        for (const auto& cell : row) ExpectTile(surface, *cell);
    // The 2-pixel strips beyond the last cells stay as they were.
    EXPECT_EQ(surface.Pixel(458, 200), kWhite);
    EXPECT_EQ(surface.Pixel(200, 459), kWhite);
}

TEST(SurfaceDrawing, NumberFontCellHeightFollowsThePiece) {
    display::Surface surface(10, 10, kWhite);
    BoardCell cell;
    cell.SetRect(0, 0, 100, 100);
    auto dc = surface.Context();
    dc->SelectFont(cell.font);
    EXPECT_EQ(dc->GetTextExtent("16").cy, 92);
}

// Pieces of 1 to 9 pixels give number fonts of zero or negative height and
// frames with no interior: drawn and slid without harm.
TEST(SurfaceDrawing, TinyPiecesDrawAndSlide) {
    display::Surface surface(60, 60, kWhite);
    SleepHookScope noSleep;
    struct SurfaceWindow : platform::Window {
        display::Surface& s;
        explicit SurfaceWindow(display::Surface& s_) : s(s_) {}
        void InvalidateRect(int, int, int, int, bool) override {}
        std::unique_ptr<platform::DeviceContext> GetDC() override { return s.Context(); }
    } window(surface);
    PuzzleBoard board;
    board.view = &window;
    for (int side = 4; side <= 36; side += 4) {
        Place(board, 2, 2, side, side, 4);
        board.Draw(*surface.Context());
        Click(board, 3, 0);
        Click(board, 0, 0);
        EXPECT_EQ(board.FindEmptyCell(), (PuzzleBoard::CellPosition{0, 0})) << side;
    }
    EXPECT_EQ(surface.Pixel(2, 2), board::kBackground);  // the empty cell
    EXPECT_EQ(surface.Pixel(2 + 9, 2), board::kFrameTopLeft);
}

}  // namespace
