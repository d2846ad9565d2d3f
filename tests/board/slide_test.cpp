#include <gtest/gtest.h>

#include "board/BoardCell.h"
#include "tests/board/BoardTestSupport.h"
#include "tests/board/FakeWindow.h"

namespace {

// Pieces of 50 x 40, so horizontal and vertical slides differ in length.
constexpr int kLeft = 10, kTop = 20, kPw = 50, kPh = 40;

struct SlideCase {
    const char* name;
    std::vector<std::pair<int, int>> setup;  // clicks that place the empty cell
    int row, column;                         // the pointed cell
    int dx, dy;                              // direction of the run
};

void PrintTo(const SlideCase& c, std::ostream* os) { *os << c.name; }

class Slides : public ::testing::TestWithParam<SlideCase> {};

TEST_P(Slides, OnePixelPerFrameWithTheStripAndGapsCleared) {
    const SlideCase& c = GetParam();
    fake::Window window;
    PuzzleBoard board;
    board.view = &window;
    Place(board, kLeft, kTop, 4 * kPw + 3, 4 * kPh + 3, 4);
    {
        SleepHookScope noSleep;
        for (auto [r, j] : c.setup) Click(board, r, j);
    }
    window.record.contextsMade = 0;
    auto paint = window.Paint();
    board.Draw(paint);

    // The moving cells in drawing order: left to right, top to bottom.
    const auto empty = board.FindEmptyCell();
    std::vector<std::pair<int, int>> moving;
    for (int r = std::min(c.row, empty.row); r <= std::max(c.row, empty.row); ++r)
        for (int j = std::min(c.column, empty.column); j <= std::max(c.column, empty.column); ++j)
            if (r != empty.row || j != empty.column) moving.push_back({r, j});

    const int farX = kLeft + c.column * kPw, farY = kTop + c.row * kPh;
    int frame = 0;
    SleepHookScope capture([&](int ms) {
        EXPECT_EQ(ms, 1);
        const int i = frame++;
        const fake::Raster& px = window.raster;
        for (std::size_t k = 0; k < moving.size(); ++k) {
            const auto [r, j] = moving[k];
            const BoardCell& cell = *board.cells[r][j];
            EXPECT_EQ(cell.x, kLeft + j * kPw + c.dx * i) << "frame " << i;
            EXPECT_EQ(cell.y, kTop + r * kPh + c.dy * i) << "frame " << i;
            EXPECT_EQ(px.At(cell.x, cell.y), board::kFrameTopLeft) << "frame " << i;
            EXPECT_EQ(px.At(cell.x + kPw - 2, cell.y + kPh - 2), board::kFrameBottomRight);
            // No trail of the previous frame in the gap after each moving cell.
            if (i > 0 && k + 1 < moving.size()) {
                const platform::Rgb gap =
                    c.dx != 0 ? px.At(cell.x + kPw - 1, cell.y + kPh / 2) : px.At(cell.x + kPw / 2, cell.y + kPh - 1);
                EXPECT_EQ(gap, board::kBackground) << "frame " << i;
            }
        }
        // The newest column or row of the strip the run has uncovered.
        if (i > 0) {
            const int sx = c.dx > 0 ? farX + i - 1 : c.dx < 0 ? farX + kPw - i : farX + kPw / 2;
            const int sy = c.dy > 0 ? farY + i - 1 : c.dy < 0 ? farY + kPh - i : farY + kPh / 2;
            EXPECT_EQ(px.At(sx, sy), board::kBackground) << "frame " << i;
        }
    });
    Click(board, c.row, c.column);

    EXPECT_EQ(frame, (c.dx != 0 ? kPw : kPh) + 1);
    EXPECT_EQ(window.record.contextsMade, 1);
    EXPECT_EQ(window.record.contextsOpen, 1);  // only the test's own paint context
    for (auto [r, j] : moving) {
        EXPECT_EQ(board.cells[r][j]->x, kLeft + j * kPw);
        EXPECT_EQ(board.cells[r][j]->y, kTop + r * kPh);
    }
    EXPECT_EQ(board.FindEmptyCell(), (PuzzleBoard::CellPosition{c.row, c.column}));
}

const std::vector<std::pair<int, int>> kEmptyTopLeft{{3, 0}, {0, 0}};

INSTANTIATE_TEST_SUITE_P(AllDirections, Slides,
                         ::testing::Values(SlideCase{"RightOne", {}, 3, 2, 1, 0},
                                           SlideCase{"RightThree", {}, 3, 0, 1, 0},
                                           SlideCase{"DownOne", {}, 2, 3, 0, 1}, SlideCase{"DownThree", {}, 0, 3, 0, 1},
                                           SlideCase{"LeftOne", kEmptyTopLeft, 0, 1, -1, 0},
                                           SlideCase{"LeftThree", kEmptyTopLeft, 0, 3, -1, 0},
                                           SlideCase{"UpOne", kEmptyTopLeft, 1, 0, 0, -1},
                                           SlideCase{"UpThree", kEmptyTopLeft, 3, 0, 0, -1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Slide, ARunReachingBeyondTheGridDoesNothing) {
    SleepHookScope noSleep;
    fake::Window window;
    TestBoard board;
    board.view = &window;
    Place(board, 0, 0, 200, 200, 4);
    window.invalidated.clear();
    board.SlideRight(4);
    board.SlideLeft(1);
    board.SlideUp(1);
    board.SlideDown(4);
    board.SlideRight(0);
    board.SlideDown(-2);
    EXPECT_EQ(board.FindEmptyCell(), (PuzzleBoard::CellPosition{3, 3}));
    EXPECT_EQ(Pieces(board), std::vector<int>({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(window.record.contextsMade, 0);
    EXPECT_TRUE(window.invalidated.empty());
    board.SlideDown(3);
    EXPECT_EQ(board.FindEmptyCell(), (PuzzleBoard::CellPosition{0, 3}));
}

}  // namespace
