#include "tests/e2e/ScreenCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace e2e {

bool Near(const std::optional<Pixel>& seen, const Pixel& wanted, int tolerance) {
    auto close = [tolerance](int a, int b) { return a - b <= tolerance && b - a <= tolerance; };
    return seen && close(seen->red, wanted.red) && close(seen->green, wanted.green) && close(seen->blue, wanted.blue);
}

std::string Show(const std::optional<Pixel>& p) {
    if (!p) return "nothing";
    return "(" + std::to_string(p->red) + ", " + std::to_string(p->green) + ", " + std::to_string(p->blue) + ")";
}

BoardOnScreen LayOutBoard(int left, int top, int width, int height) {
    const int side = std::min(width, height) - 30;
    return BoardOnScreen{left + (width - side) / 2, top + 10, side / 4, side};
}

std::optional<Rows> FindView(const WindowImage& image) {
    int top = -1;
    for (int y = 0; y < image.Height(); ++y) {
        const bool background = image.At(4, y) == kBackground;
        if (background && top < 0)
            top = y;
        else if (!background && top >= 0)
            return Rows{top, y};
    }
    return std::nullopt;
}

std::optional<BoardOnScreen> FindBoard(const WindowImage& image) {
    auto view = FindView(image);
    if (!view) return std::nullopt;
    return LayOutBoard(0, view->top, image.Width(), view->bottom - view->top);
}

std::optional<BoardOnScreen> FindBoard(unsigned long window) {
    auto image = GrabWindow(window);
    return image ? FindBoard(*image) : std::nullopt;
}

bool ClickCell(unsigned long window, int row, int column) {
    auto board = FindBoard(window);
    return board && ClickAt(window, board->X(column, 3), board->Y(row, 3));
}

std::string InsideDifference(const WindowImage& image, const BoardOnScreen& board, int k, const Pixel& wanted,
                             int tolerance) {
    // The centre and four points towards the corners, in sixths of a piece.
    for (auto [fx, fy] : {std::pair{3, 3}, {1, 1}, {5, 1}, {1, 5}, {5, 5}}) {
        auto seen = image.At(board.X(k % 4, fx), board.Y(k / 4, fy));
        if (!Near(seen, wanted, tolerance))
            return "cell " + std::to_string(k) + " inside shows " + Show(seen) + ", not " + Show(wanted);
    }
    return "";
}

std::string NumbersDifference(const WindowImage& image, const BoardOnScreen& board, int empty) {
    for (int k = 0; k < 16; ++k) {
        auto seen = image.At(board.X(k % 4), board.Y(k / 4));
        if (seen != (k == empty ? kBackground : kTileFace)) return "cell " + std::to_string(k) + " shows " + Show(seen);
    }
    return "";
}

std::string WaitForBoard(unsigned long window, const BoardCheck& check, std::chrono::milliseconds timeout) {
    std::string difference = "no board found";
    WaitFor(
        [&] {
            auto image = GrabWindow(window);
            auto board = image ? FindBoard(*image) : std::nullopt;
            return board && (difference = check(*image, *board)).empty();
        },
        timeout);
    return difference;
}

void ExpectBoard(const Program& program, unsigned long window, const BoardCheck& check, const std::string& what) {
    const std::string difference = WaitForBoard(window, check);
    if (!difference.empty()) SaveWindow(window, program.Folder() + "/../tesserin-e2e-" + what + ".png");
    EXPECT_EQ(difference, "") << what;
}

}  // namespace e2e
