// The board's picture: raised to 24 bits once, scaled into the board's own
// image with white margins, every piece cut by its number, drawn framed while
// playing and whole when solved.

#include <gtest/gtest.h>

#include <string>

#include "display/Surface.h"
#include "tests/board/BoardTestSupport.h"

namespace {

constexpr platform::Rgb kWhite{255, 255, 255};

Image Solid(int w, int h, Color c) {
    Image image = Blank(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.set_color(Point(x, y), c, true);
    return image;
}

// Index (x + 3y) % 256 over a palette whose entry i is (i, 255 - i, 7).
Image Palette8(int w, int h) {
    Image image = Blank(w, h, 8);
    for (int i = 0; i < 256; ++i) image.set_palette_color(i, Color(i, 255 - i, 7));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.set_index(Point(x, y), (x + 3 * y) % 256, true);
    return image;
}

platform::Rgb ToRgb(Color c) { return {c.red, c.green, c.blue}; }

// Every cell's source is the board's image at the home place of its piece.
void ExpectSourceRule(const PuzzleBoard& board, const std::string& when) {
    SCOPED_TRACE(when);
    for (const auto& row : board.cells) {
        for (const auto& cell : row) {
            const int p = cell->pieceNumber;
            const BoardCell& home = *board.cells[p / board.columns][p % board.columns];
            ASSERT_EQ(cell->source, &board.boardImage) << "piece " << p;
            ASSERT_EQ(cell->sourceX, home.x - board.left) << "piece " << p;
            ASSERT_EQ(cell->sourceY, home.y - board.top) << "piece " << p;
        }
    }
}

class BoardPicture : public ::testing::Test {
protected:
    SleepHookScope noSleep;
};

TEST_F(BoardPicture, PalettePictureIsRaisedOnceInPlaceThenScaled) {
    Image picture = Palette8(50, 40);
    TestBoard board;
    Place(board, 0, 0, 200, 200, 4);
    board.SetPicture(&picture);
    ASSERT_EQ(picture.bit_count(), 24);
    EXPECT_EQ(picture.width(), 50);
    EXPECT_EQ(picture.get_color(Point(3, 4), true), Color(15, 240, 7));  // index 15
    EXPECT_EQ(board.boardImage.width(), 200);
    EXPECT_EQ(board.boardImage.height(), 200);
    EXPECT_EQ(board.boardImage.bit_count(), 24);

    const std::uint8_t* pixels = picture.bitmap();
    board.Rebuild(true, true);
    EXPECT_EQ(picture.bitmap(), pixels) << "a 24-bit picture is not converted again";
}

TEST_F(BoardPicture, WidePictureGetsWhiteBandsAboveAndBelow) {
    Image picture = Solid(400, 200, Color(200, 10, 20));
    TestBoard board;
    Place(board, 0, 0, 200, 200, 4);
    board.SetPicture(&picture);
    // Half the height is picture, centred: rows 50..149.
    const Color red(200, 10, 20), white(255, 255, 255);
    for (int x : {0, 100, 199}) {
        EXPECT_EQ(board.boardImage.get_color(Point(x, 49), true), white);
        EXPECT_EQ(board.boardImage.get_color(Point(x, 50), true), red);
        EXPECT_EQ(board.boardImage.get_color(Point(x, 149), true), red);
        EXPECT_EQ(board.boardImage.get_color(Point(x, 150), true), white);
    }
}

TEST_F(BoardPicture, SourcesFollowThePiecesThroughEveryChange) {
    Image picture = Palette8(90, 90);
    TestBoard board;
    Place(board, 7, 5, 203, 203, 4);  // pieces of 50, a remainder of 3
    board.SetPicture(&picture);
    ExpectSourceRule(board, "rebuild");

    board.SlideRight(3);  // the bottom row moves right; the empty cell goes to its left end
    board.SlideDown(2);
    ExpectSourceRule(board, "slides");
    EXPECT_EQ(board.cells[1][0]->pieceNumber, 15);
    EXPECT_EQ(board.cells[1][0]->sourceX, 150) << "the new empty cell keeps the last piece's place";
    EXPECT_EQ(board.cells[1][0]->sourceY, 150);

    board.Shuffle();
    ExpectSourceRule(board, "shuffle");
    board.Finer();
    ExpectSourceRule(board, "finer");
    EXPECT_EQ(board.boardImage.width(), 203) << "a grid change cuts the same picture anew";

    TestBoard numbers;
    Place(numbers, 0, 0, 200, 200, 4);
    numbers.Shuffle();
    for (const auto& row : numbers.cells)
        for (const auto& cell : row) EXPECT_EQ(cell->source, nullptr);
}

TEST_F(BoardPicture, SolvedBoardShowsTheWholePictureWithoutFrames) {
    Image picture = Palette8(200, 200);
    TestBoard board;
    Place(board, 10, 10, 200, 200, 4);
    board.SetPicture(&picture);
    board.solved = true;
    display::Surface surface(230, 230, {1, 2, 3});
    board.Draw(*surface.Context());
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(surface.Pixel(10 + x, 10 + y), ToRgb(board.boardImage.get_color(Point(x, y), true)))
                << x << "," << y;
}

TEST_F(BoardPicture, PlayingPieceFillsItsFrameWithItsOwnInterior) {
    Image picture = Palette8(120, 120);
    TestBoard board;
    Place(board, 0, 0, 120, 120, 3);  // pieces of 40
    board.SetPicture(&picture);
    board.SlideRight(1);  // piece 7 into the bottom-right cell
    display::Surface surface(120, 120, kWhite);
    board.Draw(*surface.Context());

    const BoardCell& moved = *board.cells[2][2];
    ASSERT_EQ(moved.pieceNumber, 7);
    EXPECT_EQ(surface.Pixel(80, 80), board::kFrameTopLeft);
    EXPECT_EQ(surface.Pixel(118, 100), board::kFrameBottomRight);
    EXPECT_EQ(surface.Pixel(119, 100), kWhite) << "the gap stays";
    // Piece 7 lies at (40, 80) of the picture; its interior starts one in.
    for (int dy = 1; dy <= 37; ++dy)
        for (int dx = 1; dx <= 37; ++dx)
            ASSERT_EQ(surface.Pixel(80 + dx, 80 + dy), ToRgb(board.boardImage.get_color(Point(40 + dx, 80 + dy), true)))
                << dx << "," << dy;
    EXPECT_EQ(surface.Pixel(100, 80 + 38), board::kFrameBottomRight);
    EXPECT_EQ(surface.Pixel(60, 100), board::kBackground) << "the empty cell is plain";
}

// A header without pixel memory.
Image NoPixels(int bits) {
    Image image;
    image.init_header();
    image.set_width(10);
    image.set_height(10);
    image.set_bit_count(bits);
    return image;
}

TEST_F(BoardPicture, PictureThatCannotBePreparedLeavesTheBoardAsItWas) {
    Image noPixels = NoPixels(24), noPalettePixels = NoPixels(8), deep = Blank(10, 10, 32);
    struct Case {
        const char* name;
        Image* bad;
        int side;
    };
    const Case cases[] = {
        {"no pixels", &noPixels, 200},
        {"32 bits", &deep, 200},
        {"a palette picture that cannot be raised", &noPalettePixels, 200},
        // Raising needs no room: it fails at once even on a board too small to scale.
        {"the same on a board too small to scale", &noPalettePixels, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image picture = Palette8(60, 60);
        TestBoard board;
        Place(board, 0, 0, c.side, c.side, 4);
        board.SetPicture(&picture);
        board.Shuffle();
        const std::vector<int> before = Pieces(board);
        const std::uint8_t* scaled = board.boardImage.bitmap();
        try {
            board.SetPicture(c.bad);
            FAIL() << "no exception";
        } catch (const Image::not_support& e) {
            EXPECT_STREQ(e.what(), "サポートされていません。");
        }
        EXPECT_FALSE(board.solved);
        EXPECT_EQ(board.picture, &picture) << "the pieces' picture stays the board's";
        EXPECT_EQ(Pieces(board), before);
        EXPECT_EQ(board.boardImage.bitmap(), scaled);
        EXPECT_EQ(board.cells[0][0]->source, &board.boardImage);
    }
}

TEST_F(BoardPicture, TinyBoardScalesOnlyOnceItHasRoom) {
    const Image solid = Solid(30, 30, Color(1, 2, 3));
    Image picture = solid;
    TestBoard board;
    Place(board, 0, 0, 3, 3, 4);
    EXPECT_NO_THROW(board.SetPicture(&picture));
    EXPECT_FALSE(board.boardImage.is_created());

    // Room again, then rebuilds that keep the picture: one that fails to
    // scale it leaves it waiting for the next.
    board.width = board.height = 100;
    picture.release_bitmap();
    EXPECT_THROW(board.Rebuild(true, false), Image::not_support);
    EXPECT_FALSE(board.PictureFitsArea());
    picture = solid;
    board.Rebuild(true, false);
    ASSERT_TRUE(board.boardImage.is_created());
    EXPECT_EQ(board.boardImage.width(), 100);
    EXPECT_TRUE(board.PictureFitsArea());
    ExpectSourceRule(board, "after growing");
}

}  // namespace
