// The real program on a screen of twice the density (QT_SCALE_FACTOR=2): the
// window keeps its logical placement, and numbers and picture pieces show
// detail of single device pixels, which a 1x drawing enlarged cannot have.

#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <optional>
#include <string>

#include "tests/e2e/ProgramTest.h"
#include "tests/e2e/ScreenCheck.h"
#include "tests/e2e/XSession.h"

using namespace std::chrono_literals;
using namespace e2e;

namespace {

constexpr int kRatio = 2;
// Stripe colours of the test picture: near no frame, face or background.
constexpr Pixel kStripeA{220, 40, 40};
constexpr Pixel kStripeB{40, 220, 40};

// The board's first cell in device pixels of the window, from the view's
// band (found on screen) and the layout rule in logical pixels.
struct FirstCell {
    int x = 0;  // device pixels, window coordinates
    int y = 0;
    int piece = 0;  // logical pixels
    int side = 0;   // logical pixels
};

std::optional<FirstCell> FindFirstCell(const WindowImage& image, int windowWidth) {
    auto view = FindView(image);
    if (!view || view->top % kRatio != 0) return std::nullopt;
    const BoardOnScreen board = LayOutBoard(0, 0, windowWidth / kRatio, (view->bottom - view->top) / kRatio);
    if (board.side < 8) return std::nullopt;
    return FirstCell{board.left * kRatio, view->top + board.top * kRatio, board.piece, board.side};
}

// Aligned 2 x 2 blocks of device pixels inside [x, x + w) x [y, y + h) that
// are not one colour: an enlarged 1x drawing has none.
int MixedBlocks(const WindowImage& image, int x, int y, int w, int h) {
    int mixed = 0;
    for (int by = y - y % 2; by + 1 < y + h; by += 2) {
        for (int bx = x - x % 2; bx + 1 < x + w; bx += 2) {
            const auto p = image.At(bx, by);
            if (p != image.At(bx + 1, by) || p != image.At(bx, by + 1) || p != image.At(bx + 1, by + 1)) ++mixed;
        }
    }
    return mixed;
}

// The window's image once ready accepts it.
template <typename Ready>
std::optional<WindowImage> WaitForImage(unsigned long window, Ready ready) {
    return WaitForValue(
        [&] {
            auto image = GrabWindow(window);
            return image && ready(*image) ? image : std::nullopt;
        },
        30s);
}

using DoubleDensityEndToEnd = ProgramTest;

TEST_F(DoubleDensityEndToEnd, LogicalPlacementSharpNumbersAndPicturePiecesAtDeviceResolution) {
    Program program(Executable());
    program.SetEnvironment({{"QT_SCALE_FACTOR", "2"}});
    const std::string placement = "[Settings]\nleft=100\ntop=50\nwidth=300\nheight=400\n";
    program.WriteSettings(placement);
    unsigned long window = StartProgram(program);
    ASSERT_NE(window, 0u);

    // The stored placement is logical: twice as many pixels on the server.
    ASSERT_TRUE(WaitFor(
        [&] {
            auto g = WindowGeometry(window);
            return g && g->x == 200 && g->y == 100 && g->width == 600 && g->height == 800;
        },
        20s))
        << "window not at (200, 100) 600 x 800 device pixels";

    // The numbers board: tile 1's number has edges finer than a logical pixel.
    std::optional<FirstCell> cell;
    auto numbers = WaitForImage(window, [&](const WindowImage& image) {
        cell = FindFirstCell(image, 600);
        return cell && image.At(cell->x + 3 * kRatio, cell->y + 3 * kRatio) == kTileFace;
    });
    ASSERT_TRUE(numbers && cell) << "no board drawn";
    const int interior = (cell->piece - 3) * kRatio;
    const int mixed = MixedBlocks(*numbers, cell->x + kRatio, cell->y + kRatio, interior, interior);
    if (mixed < 8) SaveWindow(window, program.Folder() + "/../tesserin-e2e-hidpi-numbers.png");
    EXPECT_GE(mixed, 8) << "the number looks like a 1x drawing enlarged";

    ExitThroughFileMenu(program, window);
    const std::string settings = program.ReadSettings();
    ExpectPlacement(settings, "100", "50", "300", "400");

    // A picture of stripes two pixels wide, exactly the board's device size.
    // Scaling samples between pixel centres, so on the board every device
    // column is a stripe or the blend of two: single device pixels of detail,
    // which a picture prepared at 1x and enlarged cannot show.
    const int size = cell->side * kRatio;
    QImage stripes(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            stripes.setPixel(x, y,
                             x / 2 % 2 ? qRgb(kStripeB.red, kStripeB.green, kStripeB.blue)
                                       : qRgb(kStripeA.red, kStripeA.green, kStripeA.blue));
    const std::string path = program.Folder() + "/stripes.png";
    ASSERT_TRUE(stripes.save(QString::fromStdString(path), "PNG"));
    program.WriteSettings(placement);
    window = StartProgram(program, {path});
    ASSERT_NE(window, 0u);

    // Along a row inside the first piece, both stripes show, and no two
    // device columns of one logical column are alike.
    const int row = cell->y + cell->piece * kRatio / 2;
    auto alternating = [&](const WindowImage& image) {
        bool a = false, b = false;
        for (int x = cell->x + 4 * kRatio; x < cell->x + (cell->piece - 4) * kRatio; x += 2) {
            const auto left = image.At(x, row), right = image.At(x + 1, row);
            if (!left || left == right) return false;
            a = a || left == kStripeA || right == kStripeA;
            b = b || left == kStripeB || right == kStripeB;
        }
        return a && b;
    };
    const bool sharp = WaitForImage(window, alternating).has_value();
    if (!sharp) SaveWindow(window, program.Folder() + "/../tesserin-e2e-hidpi-picture.png");
    EXPECT_TRUE(sharp) << "the stripes did not reach the screen at device resolution";
    ExitThroughFileMenu(program, window);
}

}  // namespace
