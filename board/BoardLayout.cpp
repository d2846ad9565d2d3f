#include "board/BoardLayout.h"

#include "board/PuzzleBoard.h"

namespace board {

BoardLayout LayoutForWindow(int windowWidth, int windowHeight) {
    const int side = windowWidth > windowHeight ? windowHeight - 20 - 10 : windowWidth - 20 - 10;
    return BoardLayout{(windowWidth - side) / 2, 10, side};
}

void ApplyLayout(PuzzleBoard& board, const BoardLayout& layout) {
    board.left = layout.left;
    board.top = layout.top;
    board.width = layout.side;
    board.height = layout.side;
    // Moved, or laid out again at the same size: the picture stays as it is.
    board.Rebuild(true, !board.PictureFitsArea());
}

}  // namespace board
