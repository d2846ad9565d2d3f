#pragma once
// The plain per-pixel scaling, the yardstick for ResizeFilter in its tests
// and its benchmark: a copy of the source, then every sub-sample read with
// four strict pixel reads and every result pixel written with a strict write.

#include <cmath>
#include <cstdint>
#include <memory>

#include "image/Image.h"

namespace reference {

struct Settings {
    Size target;
    bool keep_aspect = true;
    bool letterbox = true;
    Color background;
    int samples = 1;
};

inline void fit(const Image& source, const Settings& s, int& width, int& height, int& margin_x, int& margin_y) {
    const double box_ratio = double(s.target.cx) / s.target.cy;
    const double picture_ratio = double(source.width()) / source.height();
    const long long sw = source.width(), sh = source.height();
    if (box_ratio > picture_ratio) {
        const long long w = sw * height / sh;
        if (s.letterbox) margin_x = int(width - w);
        else width = w == 0 ? 1 : int(w);
    } else {
        const long long h = sh * width / sw;
        if (s.letterbox) margin_y = int(height - h);
        else height = h == 0 ? 1 : int(h);
    }
}

struct Rgb {
    double red, green, blue;
};

inline Rgb bilinear(const Image& source, double x, double y) {
    const double u = x - 0.5, v = y - 0.5;
    const int x0 = int(std::floor(u)), y0 = int(std::floor(v));
    int x1 = int(std::ceil(u)), y1 = int(std::ceil(v));
    if (x1 == x0) x1 = x0 + 1;
    if (y1 == y0) y1 = y0 + 1;
    const Color c00 = source.get_color(Point(x0, y0), true);
    const Color c01 = source.get_color(Point(x0, y1), true);
    const Color c10 = source.get_color(Point(x1, y0), true);
    const Color c11 = source.get_color(Point(x1, y1), true);
    const double fx = u - x0, fy = v - y0;
    auto mix = [&](int a00, int a01, int a10, int a11) {
        const double top = a00 + fx * (a10 - a00);
        const double bottom = a01 + fx * (a11 - a01);
        return top + fy * (bottom - top);
    };
    return {mix(c00.red, c01.red, c10.red, c11.red), mix(c00.green, c01.green, c10.green, c11.green),
            mix(c00.blue, c01.blue, c10.blue, c11.blue)};
}

inline std::unique_ptr<Image> resize(const Image& source, const Settings& s) {
    auto result = std::make_unique<Image>(source);
    result->assign(source);
    int width = s.target.cx, height = s.target.cy, margin_x = 0, margin_y = 0;
    if (s.keep_aspect) fit(source, s, width, height, margin_x, margin_y);
    result->set_width(width);
    result->set_height(height);
    result->create();
    const int n = s.samples < 1 ? 1 : s.samples;
    const double sx = double(source.width()) / (width - margin_x);
    const double sy = double(source.height()) / (height - margin_y);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double r = 0.0, g = 0.0, b = 0.0;
            for (int j = 0; j < n; ++j) {
                for (int i = 0; i < n; ++i) {
                    const double px = (x + double(j) / n) * sx - margin_x * sx * 0.5;
                    const double py = (y + double(i) / n) * sy - margin_y * sy * 0.5;
                    if (0 <= px && px < source.width() && 0 <= py && py < source.height()) {
                        const Rgb c = bilinear(source, px, py);
                        r += c.red;
                        g += c.green;
                        b += c.blue;
                    } else {
                        r += s.background.red;
                        g += s.background.green;
                        b += s.background.blue;
                    }
                }
            }
            const double scale = 1.0 / (n * n);
            result->set_color(Point(x, y), Color(int(r * scale + 0.5), int(g * scale + 0.5), int(b * scale + 0.5)),
                              true);
        }
    }
    return result;
}

}  // namespace reference
