#include "tests/e2e/ScreenCheck.h"

#include <algorithm>

namespace e2e {

bool Near(const std::optional<Pixel>& seen, const Pixel& wanted, int tolerance) {
    auto close = [tolerance](int a, int b) { return a - b <= tolerance && b - a <= tolerance; };
    return seen && close(seen->red, wanted.red) && close(seen->green, wanted.green) &&
           close(seen->blue, wanted.blue);
}

std::string Show(const std::optional<Pixel>& p) {
    if (!p)
        return "nothing";
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
    if (!view)
        return std::nullopt;
    return LayOutBoard(0, view->top, image.Width(), view->bottom - view->top);
}

}  // namespace e2e
