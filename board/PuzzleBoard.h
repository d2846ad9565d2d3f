#pragma once
// The game: a columns x rows grid over a square area of the view, every cell
// showing one piece; the bottom-right piece is missing and its cell is the
// empty cell. Pointing at a piece in the empty cell's row or column slides the
// run between them one cell towards it, animated straight into the view.

#include <memory>
#include <vector>

#include "board/BoardCell.h"
#include "image/Image.h"
#include "platform/DeviceContext.h"
#include "platform/NamedLock.h"
#include "platform/Window.h"

namespace board {
inline constexpr int kMinGrid = 2;
inline constexpr int kMaxGrid = 10;
// Shared by every running instance, so two games never slide at once.
inline constexpr const char* kLockName = "WTExec";
}  // namespace board

class PuzzleBoard {
public:
    PuzzleBoard();
    virtual ~PuzzleBoard();
    PuzzleBoard(const PuzzleBoard&) = delete;
    PuzzleBoard& operator=(const PuzzleBoard&) = delete;

    // Lays the cells out over the board area again; with remakeCells every
    // piece goes home, with remakePicture the picture is scaled to the board
    // anew. Never takes the lock: Finer, Coarser and Shuffle call it while
    // they hold it. When preparing the picture throws (an image the board
    // cannot show), the cells and the scaled picture stay as they were.
    void Rebuild(bool remakeCells, bool remakePicture);

    // The picture to cut into pieces (not owned; null for the numbers
    // picture), then a full rebuild. A picture of fewer than 24 bits is
    // raised to 24 bits in place, once, even on a board too small to scale
    // it yet. When that or the rebuild throws, the board keeps its previous
    // picture.
    void SetPicture(Image* image);

    // The view's screen changed its density: the picture is prepared again
    // at the new resolution. The arrangement and the solved state stay; when
    // preparing throws, the picture in use stays (drawn less sharp).
    void MatchDeviceRatio();

    // boardImage already holds the picture prepared for the area's size and
    // the view's density, so a rebuild after a move or a repeated layout can
    // keep it.
    bool PictureFitsArea() const;

    // Every cell, row by row. Draws nothing while a piece would be smaller
    // than one pixel.
    void Draw(platform::DeviceContext& dc);

    // A point in the view's client coordinates: slides the run between the
    // pointed cell and the empty cell when they share a row or a column.
    void MoveAt(int x, int y);

    void Finer();    // one more column and row, up to kMaxGrid
    void Coarser();  // one column and row fewer, down to kMinGrid
    void Shuffle();  // a random arrangement that can always be solved

    struct CellPosition {
        int row = 0;
        int column = 0;
        bool operator==(const CellPosition&) const = default;
    };
    // Where piece N - 1 is; (0, 0) when no cell holds it.
    CellPosition FindEmptyCell() const;
    // Marks the board solved when every piece is home; never unmarks it.
    void CheckSolved();

    int PieceWidth() const { return width / columns; }
    int PieceHeight() const { return height / rows; }

    bool solved = false;
    platform::Window* view = nullptr;  // not owned
    int left = 20;
    int top = 20;
    int width = 200;
    int height = 200;
    int columns = 4;
    int rows = 4;
    Image* picture = nullptr;  // not owned
    Image boardImage;          // picture scaled to width x height, times boardImageRatio
    // Pixels of boardImage per logical pixel: the view's device pixel ratio
    // when the picture was prepared, so pieces are sharp on its screen.
    double boardImageRatio = 1.0;
    std::vector<std::vector<std::unique_ptr<BoardCell>>> cells;  // [row][column]
    platform::Rgb backgroundBrush = board::kBackground;
    platform::NamedLock lock{board::kLockName};

protected:
    // Invalidates [x, x + w) x [y, y + h) of the view, with erase.
    void InvalidateArea(int x, int y, int w, int h);

    // Slide the run of count pieces next to the empty cell one cell towards
    // it: SlideRight takes the run on the empty cell's left, SlideLeft the one
    // on its right, SlideUp the one below it, SlideDown the one above it.
    // Nothing happens when the run's far end lies outside the grid.
    void SlideRight(int count);
    void SlideLeft(int count);
    void SlideUp(int count);
    void SlideDown(int count);

private:
    bool HasPieceSize() const { return PieceWidth() >= 1 && PieceHeight() >= 1; }
    // The resolution to prepare the picture at.
    double WantedRatio() const;
    // boardImage's size in device pixels for the area at that ratio.
    Size PictureTarget(double ratio) const;
    // Raises the picture to 24 bits in place if needed.
    void RaiseColours();
    // RaiseColours, then scales the picture into boardImage.
    void PreparePicture();
    // Gives the cell a piece, and with a picture the place of that piece in
    // boardImage: the offset follows the piece, wherever the cell is.
    void SetPiece(BoardCell& cell, int piece);
    bool IsBuilt() const;
    BoardCell& CellAt(int row, int column) const { return *cells[row][column]; }
    // The run lies from the empty cell in steps of (stepRow, stepColumn).
    void Slide(int stepRow, int stepColumn, int count);

    // A board too small for one-pixel pieces skips scaling; the next rebuild
    // at a usable size does it. Cleared only once the picture is prepared.
    bool picturePending_ = false;
};
