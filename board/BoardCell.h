#pragma once
// One grid position of the puzzle. A cell never moves to another grid
// position; it only changes the piece it shows (and, during a slide, where it
// is drawn).

#include <string>
#include <string_view>

#include "platform/DeviceContext.h"
#include "platform/Geometry.h"

class Image;

namespace board {

// The view's background: the empty cell and the strips a slide uncovers.
inline constexpr platform::Rgb kBackground{46, 70, 161};
inline constexpr platform::Rgb kTileFace{30, 30, 230};
inline constexpr platform::Rgb kFrameTopLeft{128, 128, 128};
inline constexpr platform::Rgb kFrameBottomRight{0, 0, 0};
inline constexpr platform::Rgb kNumberText{0, 0, 60};
inline constexpr platform::Rgb kNumberShadow{60, 60, 60};

inline constexpr const char* kNumberFace = "Times New Roman";

// The number font for a cell of the given height: bold, fixed pitch, the
// height being the character cell height.
platform::Font NumberFont(int cellHeight);
// What a cell holds before its first SetRect.
platform::Font PlaceholderFont();

}  // namespace board

class BoardCell {
public:
    BoardCell();
    virtual ~BoardCell();
    BoardCell(const BoardCell&) = delete;
    BoardCell& operator=(const BoardCell&) = delete;

    // Stores the rectangle and remakes the font for the new height.
    void SetRect(int x, int y, int width, int height);

    // Draws the cell as a framed tile (its number, or with a source its
    // piece of the picture), or as the empty cell while the board is being
    // played. The column x + width - 1 and the row y + height - 1 are left
    // alone, the gap to the next cell, except on a solved picture, whose
    // pieces join into the whole picture.
    void Draw(platform::DeviceContext& dc, bool solved) const;

    // The text in colour at (x, y) over its shadow one pixel right and down.
    static void DrawShadowText(platform::DeviceContext& dc, platform::Rgb colour, int x, int y, std::string_view text);

    // The label of the piece: its number counted from 1.
    std::string NumberText() const;

    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int pieceNumber = 0;
    bool visible = true;
    // The picture the piece is cut from (the board's scaled picture), or null
    // on the numbers picture; the piece's top-left corner in it.
    const Image* source = nullptr;
    int sourceX = 0;
    int sourceY = 0;
    // Pixels of source per logical pixel (sourceX and sourceY are logical):
    // above 1 the picture was prepared for a high-density screen.
    double sourceRatio = 1.0;
    platform::Font font;

private:
    // Copies piece (logical pixels of the picture) onto destination.
    void DrawPiece(platform::DeviceContext& dc, Rect destination, Rect piece) const;
};
