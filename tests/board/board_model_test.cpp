#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "board/BoardLayout.h"
#include "tests/board/BoardTestSupport.h"
#include "tests/board/FakeWindow.h"

namespace {

using Grid = std::vector<int>;

class BoardMoves : public ::testing::Test {
protected:
    void SetUp() override {
        board.view = &window;
        Place(board, 0, 0, 400, 400, 4);
        window.invalidated.clear();
    }
    SleepHookScope noSleep;
    fake::Window window;
    PuzzleBoard board;
};

TEST(BoardModel, StartsUnbuiltAndIgnoresPointsUntilRebuilt) {
    PuzzleBoard board;
    EXPECT_FALSE(board.solved);
    EXPECT_EQ(board.view, nullptr);
    EXPECT_EQ(std::vector<int>({board.left, board.top, board.width, board.height}),
              std::vector<int>({20, 20, 200, 200}));
    EXPECT_EQ(board.columns, 4);
    EXPECT_EQ(board.rows, 4);
    EXPECT_TRUE(board.cells.empty());
    EXPECT_EQ(board.backgroundBrush, (platform::Rgb{46, 70, 161}));
    board.MoveAt(30, 30);
    EXPECT_TRUE(board.cells.empty());
}

TEST_F(BoardMoves, RebuildPutsEveryPieceHomeAndRepaintsTheArea) {
    board.left = 7;
    board.top = 9;
    board.columns = board.rows = 3;
    board.solved = true;
    board.Rebuild(true, true);
    EXPECT_FALSE(board.solved);
    EXPECT_EQ(Pieces(board), Grid({0, 1, 2, 3, 4, 5, 6, 7, 8}));
    for (int r = 0; r < 3; ++r) {
        for (int j = 0; j < 3; ++j) {
            const BoardCell& cell = *board.cells[r][j];
            EXPECT_EQ(std::vector<int>({cell.x, cell.y, cell.width, cell.height}),
                      std::vector<int>({7 + j * 133, 9 + r * 133, 133, 133}));
            EXPECT_EQ(cell.visible, r * 3 + j != 8);
            EXPECT_EQ(cell.font.height, 125);
        }
    }
    ASSERT_EQ(window.invalidated.size(), 1u);
    EXPECT_EQ(window.invalidated[0], std::vector<int>({7, 9, 407, 409, 1}));
    EXPECT_EQ(board.FindEmptyCell(), (PuzzleBoard::CellPosition{2, 2}));
}

TEST_F(BoardMoves, RebuildWithoutNewCellsKeepsTheArrangement) {
    Click(board, 3, 0);
    const Grid before = Pieces(board);
    board.left = 50;
    board.Rebuild(false, false);
    EXPECT_EQ(Pieces(board), before);
    EXPECT_EQ(board.cells[3][0]->x, 50);
    EXPECT_FALSE(board.cells[3][0]->visible);
}

// Each step points at the far end of a run in one of the four directions.
TEST_F(BoardMoves, APointedRunSlidesIntoTheEmptyCell) {
    struct Step {
        int row, column;
        Grid after;
        std::vector<int> invalidated;
    };
    const Step steps[] = {
        {3, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15, 12, 13, 14}, {0, 300, 400, 400, 1}},
        {0, 0, {15, 1, 2, 3, 0, 5, 6, 7, 4, 9, 10, 11, 8, 12, 13, 14}, {0, 0, 100, 400, 1}},
        {0, 3, {1, 2, 3, 15, 0, 5, 6, 7, 4, 9, 10, 11, 8, 12, 13, 14}, {0, 0, 400, 100, 1}},
        {3, 3, {1, 2, 3, 7, 0, 5, 6, 11, 4, 9, 10, 14, 8, 12, 13, 15}, {300, 0, 400, 400, 1}},
        {3, 2, {1, 2, 3, 7, 0, 5, 6, 11, 4, 9, 10, 14, 8, 12, 15, 13}, {200, 300, 400, 400, 1}},
    };
    for (const Step& step : steps) {
        window.invalidated.clear();
        Click(board, step.row, step.column);
        EXPECT_EQ(Pieces(board), step.after) << step.row << "," << step.column;
        EXPECT_EQ(board.FindEmptyCell(), (PuzzleBoard::CellPosition{step.row, step.column}));
        EXPECT_FALSE(board.cells[step.row][step.column]->visible);
        ASSERT_EQ(window.invalidated.size(), 1u);
        EXPECT_EQ(window.invalidated[0], step.invalidated);
    }
}

TEST_F(BoardMoves, PointsThatAllowNoMoveChangeAndDrawNothing) {
    Place(board, 10, 10, 450, 450, 4);  // pieces of 112, 2-pixel strips right and bottom
    window.invalidated.clear();
    const std::pair<int, int> points[] = {
        {9, 400},    // left of the board
        {400, 9},    // above it
        {458, 400},  // right strip, row of the empty cell
        {400, 459},  // bottom strip, column of the empty cell
        {400, 400},  // the empty cell
        {20, 20},    // neither its row nor its column
        {-5, -5},
    };
    for (auto [x, y] : points) board.MoveAt(x, y);
    EXPECT_EQ(Pieces(board), Grid({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_TRUE(window.invalidated.empty());
    EXPECT_EQ(window.record.contextsMade, 0);
    board.MoveAt(457, 20);  // the last column that is still a cell
    EXPECT_EQ(board.FindEmptyCell(), (PuzzleBoard::CellPosition{0, 3}));
}

TEST_F(BoardMoves, TheCompletingMoveSolvesRepaintsAllAndFreezesTheBoard) {
    Click(board, 3, 2);
    EXPECT_FALSE(board.solved);
    window.invalidated.clear();
    Click(board, 3, 3);
    EXPECT_TRUE(board.solved);
    ASSERT_EQ(window.invalidated.size(), 2u);
    EXPECT_EQ(window.invalidated[1], std::vector<int>({0, 0, 400, 400, 1}));
    Click(board, 3, 0);
    Click(board, 0, 3);
    EXPECT_EQ(Pieces(board)[12], 12);
    EXPECT_EQ(board.FindEmptyCell(), (PuzzleBoard::CellPosition{3, 3}));
    board.Rebuild(true, true);
    EXPECT_FALSE(board.solved);
    Click(board, 3, 0);
    EXPECT_EQ(board.FindEmptyCell(), (PuzzleBoard::CellPosition{3, 0}));
}

TEST_F(BoardMoves, CheckSolvedOnlyEverSetsSolved) {
    Click(board, 3, 0);
    board.CheckSolved();
    EXPECT_FALSE(board.solved);
    board.solved = true;
    board.CheckSolved();
    EXPECT_TRUE(board.solved);
}

TEST_F(BoardMoves, WithoutAViewMovesStillHappen) {
    board.view = nullptr;
    Click(board, 0, 3);
    EXPECT_EQ(board.FindEmptyCell(), (PuzzleBoard::CellPosition{0, 3}));
    EXPECT_EQ(window.record.contextsMade, 0);
}

TEST_F(BoardMoves, GridCommandsChangeTheSizeWithinTwoToTen) {
    board.Coarser();
    EXPECT_EQ(board.columns, 3);
    EXPECT_EQ(board.rows, 3);
    board.Finer();
    board.Finer();
    EXPECT_EQ(board.columns, 5);
    EXPECT_EQ(Pieces(board).size(), 25u);
    EXPECT_EQ(board.FindEmptyCell(), (PuzzleBoard::CellPosition{4, 4}));

    for (int i = 0; i < 10; ++i) board.Finer();
    EXPECT_EQ(board.columns, 10);
    Click(board, 9, 0);
    window.invalidated.clear();
    board.Finer();  // at the limit: no rebuild, arrangement kept
    EXPECT_TRUE(window.invalidated.empty());
    EXPECT_EQ(board.FindEmptyCell(), (PuzzleBoard::CellPosition{9, 0}));

    for (int i = 0; i < 10; ++i) board.Coarser();
    EXPECT_EQ(board.columns, 2);
    EXPECT_EQ(board.rows, 2);
    Click(board, 0, 1);
    board.Coarser();
    EXPECT_EQ(Pieces(board), Grid({0, 3, 2, 1}));
}

TEST(BoardLayout, SquareCentredTenPixelsFromTheTop) {
    EXPECT_EQ(board::LayoutForWindow(640, 480), (board::BoardLayout{95, 10, 450}));
    EXPECT_EQ(board::LayoutForWindow(300, 500), (board::BoardLayout{15, 10, 270}));
    EXPECT_EQ(board::LayoutForWindow(400, 400), (board::BoardLayout{15, 10, 370}));

    PuzzleBoard board;
    board::ApplyLayout(board, board::LayoutForWindow(640, 480));
    EXPECT_EQ(board.PieceWidth(), 112);
    const BoardCell& last = *board.cells[3][3];
    EXPECT_EQ(std::vector<int>({last.x, last.y, last.width, last.height}),
              std::vector<int>({95 + 336, 10 + 336, 112, 112}));
}

TEST(BoardLayout, ATinyViewDrawsNothingIgnoresPointsAndRecovers) {
    SleepHookScope noSleep;
    fake::Window window;
    PuzzleBoard board;
    board.view = &window;
    for (auto [w, h] : {std::pair{20, 20}, std::pair{33, 100}, std::pair{0, 0}}) {
        board::ApplyLayout(board, board::LayoutForWindow(w, h));
        auto dc = window.Paint();
        board.Draw(dc);
        for (int x = 0; x < 60; x += 1) board.MoveAt(x, x);
        board.Shuffle();
        board.Finer();
        board.Coarser();
    }
    EXPECT_EQ(window.record.fills, 0);
    EXPECT_TRUE(window.record.texts.empty());
    EXPECT_EQ(window.record.contextsMade, 0);

    board::ApplyLayout(board, board::LayoutForWindow(640, 480));
    board.Rebuild(true, false);
    Click(board, 3, 0);
    EXPECT_EQ(board.FindEmptyCell(), (PuzzleBoard::CellPosition{3, 0}));
    EXPECT_GT(window.record.fills, 0);
}

// Random pointing on every grid size keeps the board a valid arrangement.
TEST(BoardModel, RandomMovesKeepThePermutationInvariant) {
    SleepHookScope noSleep;
    fake::Window window(120, 120);
    PuzzleBoard board;
    board.view = &window;
    for (int n = 2; n <= 10; ++n) {
        std::srand(1000u + n);
        Place(board, 3, 4, 11 * n - 1, 11 * n - 1, n);  // pieces of 10, strips of n - 1
        board.Shuffle();
        for (int move = 0; move < 600 && !board.solved; ++move) {
            const auto empty = board.FindEmptyCell();
            // Mostly in line with the empty cell, so most points move something.
            const int k = std::rand() % n;
            const int kind = std::rand() % 3;
            const int row = kind == 0 ? empty.row : kind == 1 ? k : std::rand() % n;
            const int column = kind == 0 ? k : kind == 1 ? empty.column : std::rand() % n;
            Click(board, row, column);

            Grid pieces = Pieces(board);
            std::sort(pieces.begin(), pieces.end());
            for (int i = 0; i < n * n; ++i) ASSERT_EQ(pieces[i], i);
            for (int r = 0; r < n; ++r) {
                for (int j = 0; j < n; ++j) {
                    const BoardCell& cell = *board.cells[r][j];
                    ASSERT_EQ(cell.visible, cell.pieceNumber != n * n - 1);
                    ASSERT_EQ(cell.x, 3 + j * 10);
                    ASSERT_EQ(cell.y, 4 + r * 10);
                }
            }
        }
    }
    EXPECT_EQ(window.record.contextsOpen, 0);
}

}  // namespace
