#pragma once
// The plain per-pixel scaling, the yardstick for ResizeFilter in its tests
// and its benchmark: a copy of the source, then four strict pixel reads per
// sub-sample and a strict write per result pixel.

#include <cmath>
#include <memory>

#include "image/Image.h"

namespace reference {

struct Settings {
    Size target;
    bool keep_aspect, letterbox;
    Color background;
    int samples;
};

struct Rgb {
    double red, green, blue;
};

inline Rgb bilinear(const Image& source, double x, double y) {
    const double u = x - 0.5, v = y - 0.5;
    const int x0 = int(std::floor(u)), y0 = int(std::floor(v));
    const int x1 = int(std::ceil(u)) == x0 ? x0 + 1 : int(std::ceil(u));
    const int y1 = int(std::ceil(v)) == y0 ? y0 + 1 : int(std::ceil(v));
    const Color c00 = source.get_color(Point(x0, y0), true), c01 = source.get_color(Point(x0, y1), true);
    const Color c10 = source.get_color(Point(x1, y0), true), c11 = source.get_color(Point(x1, y1), true);
    const double fx = u - x0, fy = v - y0;
    auto mix = [&](int a00, int a01, int a10, int a11) {
        const double top = a00 + fx * (a10 - a00), bottom = a01 + fx * (a11 - a01);
        return top + fy * (bottom - top);
    };
    return {mix(c00.red, c01.red, c10.red, c11.red), mix(c00.green, c01.green, c10.green, c11.green),
            mix(c00.blue, c01.blue, c10.blue, c11.blue)};
}

inline std::unique_ptr<Image> resize(const Image& source, const Settings& s) {
    auto result = std::make_unique<Image>(source);
    result->assign(source);
    int width = s.target.cx, height = s.target.cy, margin_x = 0, margin_y = 0;
    const long long sw = source.width(), sh = source.height();
    if (s.keep_aspect && double(s.target.cx) / s.target.cy > double(sw) / sh) {
        if (s.letterbox)
            margin_x = int(width - sw * height / sh);
        else
            width = sw * height / sh == 0 ? 1 : int(sw * height / sh);
    } else if (s.keep_aspect) {
        if (s.letterbox)
            margin_y = int(height - sh * width / sw);
        else
            height = sh * width / sw == 0 ? 1 : int(sh * width / sw);
    }
    result->set_width(width);
    result->set_height(height);
    result->create();
    const int n = s.samples < 1 ? 1 : s.samples;
    const double sx = double(sw) / (width - margin_x), sy = double(sh) / (height - margin_y);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Rgb sum{0.0, 0.0, 0.0};
            for (int j = 0; j < n; ++j) {
                for (int i = 0; i < n; ++i) {
                    const double px = (x + double(j) / n) * sx - margin_x * sx * 0.5;
                    const double py = (y + double(i) / n) * sy - margin_y * sy * 0.5;
                    const bool inside = 0 <= px && px < sw && 0 <= py && py < sh;
                    const Rgb c =
                        inside ? bilinear(source, px, py)
                               : Rgb{double(s.background.red), double(s.background.green), double(s.background.blue)};
                    sum = {sum.red + c.red, sum.green + c.green, sum.blue + c.blue};
                }
            }
            const double k = 1.0 / (n * n);
            result->set_color(Point(x, y),
                              Color(int(sum.red * k + 0.5), int(sum.green * k + 0.5), int(sum.blue * k + 0.5)), true);
        }
    }
    return result;
}

}  // namespace reference
