#pragma once
// Shared helpers of the board tests.

#include <vector>

#include "board/PuzzleBoard.h"
#include "platform/Sleep.h"
#include "tests/image/BlankImage.h"

// Opens the slides to the tests.
struct TestBoard : PuzzleBoard {
    using PuzzleBoard::SlideDown;
    using PuzzleBoard::SlideLeft;
    using PuzzleBoard::SlideRight;
    using PuzzleBoard::SlideUp;
};

// Puts the board on the area and grid given and rebuilds it.
inline void Place(PuzzleBoard& board, int left, int top, int width, int height, int grid) {
    board.left = left;
    board.top = top;
    board.width = width;
    board.height = height;
    board.columns = board.rows = grid;
    board.Rebuild(true, true);
}

// Piece numbers in row-major order.
inline std::vector<int> Pieces(const PuzzleBoard& board) {
    std::vector<int> pieces;
    for (const auto& row : board.cells)
        for (const auto& cell : row) pieces.push_back(cell->pieceNumber);
    return pieces;
}

// Points at the centre of cell (row, column).
inline void Click(PuzzleBoard& board, int row, int column) {
    board.MoveAt(board.left + column * board.PieceWidth() + board.PieceWidth() / 2,
                 board.top + row * board.PieceHeight() + board.PieceHeight() / 2);
}

using image_test::Blank;

// Replaces the 1 ms sleep for the life of the object.
class SleepHookScope {
public:
    explicit SleepHookScope(platform::SleepHook hook = [](int) {})
        : previous_(platform::SetSleepHook(std::move(hook))) {}
    ~SleepHookScope() { platform::SetSleepHook(previous_); }

private:
    platform::SleepHook previous_;
};
