#pragma once
// Small value types every layer exchanges: integer points, sizes, and right-
// and bottom-exclusive rectangles.

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
