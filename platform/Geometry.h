#pragma once
// Small value types the image library and the board exchange: integer points,
// sizes, right- and bottom-exclusive rectangles, and 8-bit RGB colours.

#include <algorithm>
#include <cstdint>

struct Point {
    int x = 0;
    int y = 0;
    Point() = default;
    Point(int x_, int y_) : x(x_), y(y_) {}
    virtual ~Point() = default;
    Point(const Point&) = default;
    Point& operator=(const Point&) = default;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

struct Size {
    int cx = 0;
    int cy = 0;
    Size() = default;
    Size(int cx_, int cy_) : cx(cx_), cy(cy_) {}
    virtual ~Size() = default;
    Size(const Size&) = default;
    Size& operator=(const Size&) = default;
    bool operator==(const Size& o) const { return cx == o.cx && cy == o.cy; }
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;   // exclusive
    int bottom = 0;  // exclusive
    Rect() = default;
    Rect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
    virtual ~Rect() = default;
    Rect(const Rect&) = default;
    Rect& operator=(const Rect&) = default;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    Color() = default;
    // Each channel is clamped to 0..255.
    Color(int r, int g, int b) : red(clamp(r)), green(clamp(g)), blue(clamp(b)) {}
    virtual ~Color() = default;
    Color(const Color&) = default;
    Color& operator=(const Color&) = default;
    bool operator==(const Color& o) const {
        return red == o.red && green == o.green && blue == o.blue;
    }

private:
    static std::uint8_t clamp(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }
};
