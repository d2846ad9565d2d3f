#pragma once
// What the end-to-end tests look for on screen: the program's own colours,
// pixels compared with some slack, and the board where the view lays it out.

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "tests/e2e/XSession.h"

namespace e2e {

// The view's background and a numbered tile's face.
constexpr Pixel kBackground{46, 70, 161};
constexpr Pixel kTileFace{30, 30, 230};

// Every channel of seen within tolerance of wanted's: scaling and
// compression move flat colours a little.
bool Near(const std::optional<Pixel>& seen, const Pixel& wanted, int tolerance);
// "(red, green, blue)", or "nothing".
std::string Show(const std::optional<Pixel>& pixel);

// The board on screen: the top-left corner of its first cell and the side
// of a piece (and of the whole square, which four pieces may fall short of).
struct BoardOnScreen {
    int left = 0;
    int top = 0;
    int piece = 0;
    int side = 0;
    // The top-left corner of cell (row, column).
    int CellX(int column) const { return left + column * piece; }
    int CellY(int row) const { return top + row * piece; }
    // A pixel just inside the frame of cell (row, column).
    int X(int column) const { return CellX(column) + 3; }
    int Y(int row) const { return CellY(row) + 3; }
    // sixths of a piece into the cell.
    int X(int column, int sixths) const { return CellX(column) + piece * sixths / 6; }
    int Y(int row, int sixths) const { return CellY(row) + piece * sixths / 6; }
};

// The board as the view at (left, top), width x height, lays it out: a
// square 30 pixels short of its smaller side, 10 pixels from its top,
// centred across.
BoardOnScreen LayOutBoard(int left, int top, int width, int height);

// The rows [top, bottom) of the view: the background-coloured band down the
// window's left edge, between the bars.
struct Rows {
    int top = 0;
    int bottom = 0;
};
std::optional<Rows> FindView(const WindowImage& image);

// The board in a window as wide as its view.
std::optional<BoardOnScreen> FindBoard(const WindowImage& image);
std::optional<BoardOnScreen> FindBoard(unsigned long window);
// Clicks the middle of cell (row, column) of the board the window shows.
bool ClickCell(unsigned long window, int row, int column);

// What each cell of a 4 x 4 board shows, row by row.
using Cells = std::array<Pixel, 16>;

// "" when the spots well inside cell k (clear of its frame and of blurred
// edges) are all within tolerance of wanted; otherwise what one shows.
std::string InsideDifference(const WindowImage& image, const BoardOnScreen& board, int k, const Pixel& wanted,
                             int tolerance);
// "" when, just inside their frames, the cells show numbered tiles and
// cell empty the background; otherwise the first cell that does not.
std::string NumbersDifference(const WindowImage& image, const BoardOnScreen& board, int empty);

// Finds the difference between the board an image shows and the one wanted ("": none).
using BoardCheck = std::function<std::string(const WindowImage&, const BoardOnScreen&)>;
// Polls the window until check finds no difference; the last one found otherwise.
std::string WaitForBoard(unsigned long window, const BoardCheck& check,
                         std::chrono::milliseconds timeout = std::chrono::seconds(30));
// The same as a test's expectation, named what; on failure the window is
// saved beside the program's folder for a look.
void ExpectBoard(const Program& program, unsigned long window, const BoardCheck& check, const std::string& what);

}  // namespace e2e
