#pragma once
// The palette reduction done the plain, slow way, step by step through the
// strict pixel accessors: an ordered map for the histogram, boxes shrunk
// plane by plane, every cell of a box visited for its mean, and every pixel
// compared with every palette entry. The yardstick the fast reduction is
// held to, byte for byte and message for message. Boxes should stay small
// (a box is visited cell by cell), so the pictures given to it keep their
// colours within a modest part of the cube.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "image/Image.h"
#include "image/Messages.h"
#include "tests/colour/PerPixelIncrease.h"

namespace colour_test {

// A caption (progress -1) or a progress value (caption null).
struct Notice {
    const char* caption = nullptr;
    int progress = -1;
    // Captions compare by their text: each translation unit may hold its own
    // copy of a constant string.
    bool operator==(const Notice& o) const {
        if ((caption == nullptr) != (o.caption == nullptr) || progress != o.progress) return false;
        return caption == nullptr || std::strcmp(caption, o.caption) == 0;
    }
};

struct ReferenceResult {
    std::unique_ptr<Image> image;
    int colours = 0;
    std::vector<Notice> notices;
};

inline ReferenceResult ReferenceReduce(const Image& source, int target, int count, bool diffusion) {
    ReferenceResult out;
    auto caption = [&](const char* c) { out.notices.push_back({c, -1}); };
    auto progress = [&](int p) { out.notices.push_back({nullptr, p}); };

    Image w;
    w.assign(source);
    auto r = std::make_unique<Image>();
    r->assign(w);
    if (w.bit_count() != 24) {
        caption(captions::kIncreasingColours);
        w.assign(*PerPixelIncrease(source, 24));
        for (int y = 0; y < w.height(); ++y) progress(100 * y / w.height());
    }
    r->set_grayscale(false);
    r->set_bit_count(target);

    // Histogram.
    caption(captions::kHistogram);
    progress(0);
    std::map<int, int> histogram;
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    for (int y = 0; y < w.height(); ++y) {
        for (int x = 0; x < w.width(); ++x) {
            const Color c = w.get_color(Point(x, y), true);
            const int v[3] = {c.red, c.green, c.blue};
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], v[a]);
                hi[a] = std::max(hi[a], v[a]);
            }
            histogram[c.red * 65536 + c.green * 256 + c.blue] += 1;
        }
        progress(100 * y / w.height());
    }
    auto count_of = [&](int red, int green, int blue) {
        const auto it = histogram.find(red * 65536 + green * 256 + blue);
        return it == histogram.end() ? 0 : it->second;
    };

    // Boxes: red min, red max, green min, green max, blue min, blue max.
    using Box = std::array<int, 6>;
    caption(captions::kPalette);
    progress(0);
    std::vector<Box> boxes(static_cast<std::size_t>(count), Box{0, 0, 0, 0, 0, 0});
    boxes[0] = {lo[0], hi[0], lo[1], hi[1], lo[2], hi[2]};
    // Whether a counted colour lies in the plane of the box at value on the
    // axis: the map's keys run red-major, so each red row of the plane is
    // one ordered stretch of keys.
    auto plane_holds = [&](const Box& b, int axis, int value) {
        Box p = b;
        p[2 * axis] = p[2 * axis + 1] = value;
        for (int red = p[0]; red <= p[1]; ++red) {
            const auto end = histogram.upper_bound(red * 65536 + p[3] * 256 + p[5]);
            for (auto it = histogram.lower_bound(red * 65536 + p[2] * 256 + p[4]); it != end; ++it) {
                const int blue = it->first & 0xFF;
                if (blue >= p[4] && blue <= p[5] && it->second != 0) return true;
            }
        }
        return false;
    };
    auto shrink = [&](Box& b, int kept) {
        for (int face = 0; face < 6; ++face) {
            if (face == kept) continue;
            const int axis = face / 2;
            if (face % 2 == 0) {
                for (int v = b[face]; v <= b[face + 1]; ++v)
                    if (plane_holds(b, axis, v)) {
                        b[face] = v;
                        break;
                    }
            } else {
                for (int v = b[face]; v >= b[face - 1]; --v)
                    if (plane_holds(b, axis, v)) {
                        b[face] = v;
                        break;
                    }
            }
        }
    };
    auto side = [](const Box& b, int axis) { return b[2 * axis + 1] - b[2 * axis]; };
    int i = 1;
    for (; i < count; ++i) {
        int chosen = 0;
        for (int j = 1; j < i; ++j) {
            const auto longest = [&](int k) {
                return std::max({side(boxes[k], 0), side(boxes[k], 1), side(boxes[k], 2)});
            };
            if (longest(j) > longest(chosen)) chosen = j;
        }
        const Box& b = boxes[chosen];
        int axis = 2;
        if (side(b, 0) >= side(b, 1) && side(b, 0) >= side(b, 2))
            axis = 0;
        else if (side(b, 1) >= side(b, 2))
            axis = 1;
        const int length = side(b, axis);
        if (length <= 1) break;
        const int half = length / 2;
        boxes[i] = boxes[chosen];
        boxes[i][2 * axis] = boxes[chosen][2 * axis] + half;
        boxes[chosen][2 * axis + 1] = boxes[chosen][2 * axis] + half - 1;
        shrink(boxes[i], 2 * axis + 1);
        shrink(boxes[chosen], 2 * axis);
        progress(100 * i / count);
    }
    out.colours = i;

    // One entry per box: the mean of its cells, each weighing its count, or
    // 1 when its colour does not occur.
    for (int k = 0; k < i; ++k) {
        const Box& b = boxes[k];
        long long weights = 0, red_sum = 0, green_sum = 0, blue_sum = 0;
        for (int red = b[0]; red <= b[1]; ++red)
            for (int green = b[2]; green <= b[3]; ++green)
                for (int blue = b[4]; blue <= b[5]; ++blue) {
                    const int n = count_of(red, green, blue);
                    const long long weight = n == 0 ? 1 : n;
                    weights += weight;
                    red_sum += weight * red;
                    green_sum += weight * green;
                    blue_sum += weight * blue;
                }
        r->set_palette_color(k, Color(static_cast<int>(red_sum / weights), static_cast<int>(green_sum / weights),
                                      static_cast<int>(blue_sum / weights)));
    }
    r->create();

    // Mapping, errors diffused into a working copy.
    progress(0);
    caption(captions::kMapping);
    Image copy;
    copy.assign(w);
    int squares[511];
    for (int d = -255; d <= 255; ++d) squares[d + 255] = d * d;
    for (int y = 0; y < copy.height(); ++y) {
        for (int x = 0; x < copy.width(); ++x) {
            const Color p = copy.get_color(Point(x, y), true);
            int best = 0, best_distance = 16777216;
            for (int k = 0; k < i; ++k) {
                const Color q = r->palette_color(k);
                const int d =
                    squares[p.red - q.red + 255] + squares[p.green - q.green + 255] + squares[p.blue - q.blue + 255];
                if (d < best_distance) {
                    best_distance = d;
                    best = k;
                    if (d == 0) break;
                }
            }
            r->set_index(Point(x, y), best, true);
            if (diffusion) {
                const Color q = r->palette_color(best);
                const int er = p.red - q.red, eg = p.green - q.green, eb = p.blue - q.blue;
                copy.add_color(Point(x + 1, y), 3 * er / 8, 3 * eg / 8, 3 * eb / 8);
                copy.add_color(Point(x, y + 1), 3 * er / 8, 3 * eg / 8, 3 * eb / 8);
                copy.add_color(Point(x + 1, y + 1), 2 * er / 8, 2 * eg / 8, 2 * eb / 8);
            }
        }
        progress(100 * y / r->height());
    }
    out.image = std::move(r);
    return out;
}

}  // namespace colour_test
