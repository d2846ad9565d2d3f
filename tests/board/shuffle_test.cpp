#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/board/BoardTestSupport.h"
#include "tests/board/FakeWindow.h"

namespace {

bool IsEven(const std::vector<int>& pieces) {
    int inversions = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i)
        for (std::size_t j = i + 1; j < pieces.size(); ++j) inversions += pieces[i] > pieces[j];
    return inversions % 2 == 0;
}

// An even arrangement with the empty cell at home is exactly a solvable one.
TEST(Shuffle, AlwaysSolvableWithTheEmptyCellBottomRight) {
    PuzzleBoard board;
    for (int n = 2; n <= 10; ++n) {
        Place(board, 0, 0, 300, 300, n);
        int unchanged = 0;
        for (unsigned seed = 1; seed <= 300; ++seed) {
            std::srand(seed);
            board.Shuffle();
            std::vector<int> pieces = Pieces(board);
            ASSERT_EQ(pieces.back(), n * n - 1) << n << " seed " << seed;
            ASSERT_FALSE(board.cells[n - 1][n - 1]->visible);
            pieces.pop_back();
            ASSERT_TRUE(IsEven(pieces)) << n << " seed " << seed;
            ASSERT_FALSE(board.solved);
            bool home = true;
            for (int k = 0; k < n * n - 1; ++k) home = home && pieces[k] == k;
            unchanged += home;
        }
        // Only 2 x 2 often cancels out (about every other time).
        if (n == 2) {
            EXPECT_GT(unchanged, 90);
        } else if (n >= 4) {
            EXPECT_EQ(unchanged, 0);
        }
    }
}

TEST(Shuffle, DrawsTwoNumbersPerCellButTwo) {
    PuzzleBoard board;
    for (int n : {2, 4, 10}) {
        Place(board, 0, 0, 300, 300, n);
        std::srand(77);
        for (int i = 0; i < 2 * (n * n - 2); ++i) std::rand();
        const int expected = std::rand();
        std::srand(77);
        board.Shuffle();
        EXPECT_EQ(std::rand(), expected) << n;
    }
}

TEST(Shuffle, RepaintsTheWholeBoardAndLeavesTheSolvedState) {
    SleepHookScope noSleep;
    fake::Window window;
    PuzzleBoard board;
    board.view = &window;
    Place(board, 5, 6, 200, 200, 2);
    Click(board, 1, 0);
    Click(board, 1, 1);
    ASSERT_TRUE(board.solved);
    window.invalidated.clear();
    std::srand(3);
    board.Shuffle();
    EXPECT_FALSE(board.solved);
    ASSERT_FALSE(window.invalidated.empty());
    EXPECT_EQ(window.invalidated.back(), std::vector<int>({5, 6, 205, 206, 1}));
    // Every cell kept its place; only the pieces changed.
    EXPECT_EQ(board.cells[1][1]->x, 105);
    Click(board, 0, 1);
    EXPECT_EQ(board.FindEmptyCell(), (PuzzleBoard::CellPosition{0, 1}));
}

}  // namespace
