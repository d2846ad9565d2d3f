#include "board/BoardCell.h"

#include <cstdio>

#include "image/ImageRenderer.h"

namespace board {

namespace {
platform::Font MakeFont(int height, int pitchAndFamily) {
    platform::Font f;
    f.height = height;
    f.width = 0;
    f.weight = 700;
    f.italic = false;
    f.underline = false;
    f.strikeOut = false;
    f.charSet = 128;      // Shift-JIS
    f.outPrecision = 2;   // character precision
    f.clipPrecision = 1;  // character precision
    f.quality = 0;
    f.pitchAndFamily = pitchAndFamily;
    f.face = kNumberFace;
    return f;
}
}  // namespace

platform::Font NumberFont(int cellHeight) { return MakeFont(cellHeight - 8, 1); }

platform::Font PlaceholderFont() { return MakeFont(10, 2); }

}  // namespace board

BoardCell::BoardCell() : font(board::PlaceholderFont()) {}

BoardCell::~BoardCell() = default;

void BoardCell::SetRect(int x_, int y_, int width_, int height_) {
    x = x_;
    y = y_;
    width = width_;
    height = height_;
    font = board::NumberFont(height);
}

std::string BoardCell::NumberText() const {
    char text[16];
    std::snprintf(text, sizeof text, "%d", pieceNumber + 1);
    return text;
}

void BoardCell::DrawShadowText(platform::DeviceContext& dc, platform::Rgb colour, int x_, int y_,
                               std::string_view text) {
    dc.SetTextColor(board::kNumberShadow);
    dc.TextOut(x_ + 1, y_ + 1, text);
    dc.SetTextColor(colour);
    dc.TextOut(x_, y_, text);
}

void BoardCell::DrawPiece(platform::DeviceContext& dc, Rect destination, Rect piece) const {
    if (sourceRatio == 1.0) {
        ImageRenderer().draw(*source, dc, Point(destination.left, destination.top), piece, false);
        return;
    }
    // The piece's own pixels in the finer picture, edges mapped as the
    // surface maps the destination's, so they meet pixel for pixel.
    auto edge = [this](int v) { return static_cast<int>(platform::DeviceEdge(v, sourceRatio)); };
    ImageRenderer().draw_stretched(*source, dc, destination,
                                   Rect(edge(piece.left), edge(piece.top), edge(piece.right), edge(piece.bottom)),
                                   false);
}

void BoardCell::Draw(platform::DeviceContext& dc, bool solved) const {
    dc.SelectFont(font);
    const int w = width;
    const int h = height;
    if (solved && source) {
        DrawPiece(dc, Rect(x, y, x + w, y + h), Rect(sourceX, sourceY, sourceX + w, sourceY + h));
        return;
    }
    if (!solved && !visible) {
        dc.FillRect(x, y, x + w - 1, y + h - 1, board::kBackground);
        return;
    }
    dc.Draw3dRect(x, y, w - 1, h - 1, board::kFrameTopLeft, board::kFrameBottomRight);
    if (source) {
        // The frame's interior: the piece without its first column and row
        // and its last two.
        DrawPiece(dc, Rect(x + 1, y + 1, x + w - 2, y + h - 2),
                  Rect(sourceX + 1, sourceY + 1, sourceX + w - 2, sourceY + h - 2));
        return;
    }
    const std::string text = NumberText();
    dc.SetBkMode(platform::BkMode::Transparent);
    const platform::TextExtent extent = dc.GetTextExtent(text);
    dc.FillRect(x + 1, y + 1, x + w - 2, y + h - 2, board::kTileFace);
    // Centred on the whole cell, gap included, not on the frame's interior.
    const int tx = x + (w - extent.cx) / 2;
    const int ty = y + (h - extent.cy) / 2;
    DrawShadowText(dc, board::kNumberText, tx, ty, text);
}
