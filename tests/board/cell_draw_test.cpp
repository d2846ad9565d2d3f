#include <gtest/gtest.h>

#include "board/BoardCell.h"
#include "tests/board/BoardTestSupport.h"
#include "tests/board/FakeWindow.h"

namespace {

using board::kBackground;
using fake::kUnpainted;

TEST(CellFont, RemadeForEveryRectangle) {
    BoardCell cell;
    EXPECT_EQ(cell.font.height, 10);
    EXPECT_EQ(cell.font.pitchAndFamily, 2);
    cell.SetRect(0, 0, 100, 100);
    const platform::Font& f = cell.font;
    EXPECT_EQ(f.height, 92);
    EXPECT_EQ(f.weight, 700);
    EXPECT_EQ(f.charSet, 128);
    EXPECT_EQ(f.outPrecision, 2);
    EXPECT_EQ(f.clipPrecision, 1);
    EXPECT_EQ(f.pitchAndFamily, 1);
    EXPECT_EQ(f.face, "Times New Roman");
    EXPECT_FALSE(f.italic || f.underline || f.strikeOut);
    cell.SetRect(0, 0, 100, 40);
    EXPECT_EQ(cell.font.height, 32);
}

TEST(CellDrawing, TileHasFrameFaceGapAndCentredShadowedNumber) {
    fake::Window window;
    auto dc = window.Paint();
    BoardCell cell;
    cell.SetRect(10, 20, 50, 40);
    cell.pieceNumber = 11;
    cell.Draw(dc, false);

    const fake::Raster& px = window.raster;
    EXPECT_EQ(px.At(10, 20), board::kFrameTopLeft);  // corner
    EXPECT_EQ(px.At(57, 20), board::kFrameTopLeft);  // top edge, last grey pixel
    EXPECT_EQ(px.At(10, 57), board::kFrameTopLeft);  // left edge, last grey pixel
    EXPECT_EQ(px.At(58, 20), board::kFrameBottomRight);
    EXPECT_EQ(px.At(10, 58), board::kFrameBottomRight);
    EXPECT_EQ(px.At(58, 58), board::kFrameBottomRight);
    EXPECT_EQ(px.At(11, 21), board::kTileFace);
    EXPECT_EQ(px.At(57, 57), board::kTileFace);
    for (int i = 20; i < 60; ++i) EXPECT_EQ(px.At(59, i), kUnpainted);  // gap column
    for (int i = 10; i < 60; ++i) EXPECT_EQ(px.At(i, 59), kUnpainted);  // gap row

    // "12" measures 16 x 32 here: centred on the whole 50 x 40 cell.
    const auto& t = window.record.texts;
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].text, "12");
    EXPECT_EQ(t[0].colour, board::kNumberShadow);
    EXPECT_EQ(std::pair(t[0].x, t[0].y), std::pair(28, 25));
    EXPECT_EQ(t[1].text, "12");
    EXPECT_EQ(t[1].colour, board::kNumberText);
    EXPECT_EQ(std::pair(t[1].x, t[1].y), std::pair(27, 24));
    EXPECT_EQ(t[1].font, cell.font);
}

TEST(CellDrawing, EmptyCellIsPlainBackgroundOnePixelSmallerWhilePlaying) {
    fake::Window window;
    auto dc = window.Paint();
    BoardCell cell;
    cell.SetRect(0, 0, 30, 30);
    cell.pieceNumber = 8;
    cell.visible = false;
    cell.Draw(dc, false);
    EXPECT_EQ(window.raster.At(0, 0), kBackground);
    EXPECT_EQ(window.raster.At(28, 28), kBackground);
    EXPECT_EQ(window.raster.At(29, 10), kUnpainted);
    EXPECT_EQ(window.raster.At(10, 29), kUnpainted);
    EXPECT_TRUE(window.record.texts.empty());

    cell.Draw(dc, true);  // a solved numbers board shows the missing tile too
    EXPECT_EQ(window.raster.At(0, 0), board::kFrameTopLeft);
    ASSERT_EQ(window.record.texts.size(), 2u);
    EXPECT_EQ(window.record.texts[1].text, "9");
}

TEST(BoardDrawing, PlayingShowsAllButTheLastNumberSolvedShowsAll) {
    fake::Window window;
    auto dc = window.Paint();
    PuzzleBoard board;
    Place(board, 0, 0, 90, 90, 3);
    board.Draw(dc);
    std::vector<std::string> numbers;
    for (const auto& t : window.record.texts)
        if (t.colour == board::kNumberText) numbers.push_back(t.text);
    EXPECT_EQ(numbers, std::vector<std::string>({"1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(window.raster.At(61, 61), kBackground);

    Place(board, 0, 0, 200, 200, 4);
    board.solved = true;
    window.record.texts.clear();
    board.Draw(dc);
    ASSERT_EQ(window.record.texts.size(), 32u);
    EXPECT_EQ(window.record.texts.back().text, "16");
    EXPECT_EQ(window.raster.At(150, 150), board::kFrameTopLeft);
}

}  // namespace
