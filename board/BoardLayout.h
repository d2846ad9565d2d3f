#pragma once
// Where the view puts the board.

class PuzzleBoard;

namespace board {

struct BoardLayout {
    int left = 0;
    int top = 0;
    int side = 0;  // the board area is a side x side square
    bool operator==(const BoardLayout&) const = default;
};

// For a view whose window rectangle is windowWidth x windowHeight: a square
// the smaller dimension less 30 pixels, centred horizontally, 10 pixels from
// the top. The side may come out zero or negative for a tiny window; the board
// then draws nothing and ignores points until it grows again.
BoardLayout LayoutForWindow(int windowWidth, int windowHeight);

// Writes the layout into the board's area and rebuilds it with every piece
// at home; the picture is scaled again only when it no longer fits the area.
void ApplyLayout(PuzzleBoard& board, const BoardLayout& layout);

}  // namespace board
