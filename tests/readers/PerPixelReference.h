#pragma once
// Plain references for the readers' fast pixel paths: pictures built pixel by
// pixel through the image's strict writes from the file's own pixels, which
// a reader's image must equal byte for byte, row padding included.

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include <png.h>

#include "image/Image.h"

namespace reader_test {

// An image of shape's size, bit count and palette whose pixels are written
// once each through the strict writes: index(x, y) for an indexed image,
// colour(x, y) for a 24-bit one.
inline Image per_pixel_like(const Image& shape, const std::function<int(int x, int y)>& index,
                            const std::function<Color(int x, int y)>& colour) {
    Image image;
    image.init_header();
    image.set_width(shape.width());
    image.set_height(shape.height());
    image.set_bit_count(shape.bit_count());
    for (int i = 0; i < shape.max_palette_size(); ++i) image.set_palette_color(i, shape.palette_color(i));
    image.create();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.bit_count() < 24) {
                image.set_index(Point(x, y), index(x, y), true);
            } else {
                image.set_color(Point(x, y), colour(x, y), true);
            }
        }
    }
    return image;
}

// A bitmap's pixel array, bottom row first in rows padded to 4 bytes, which
// starts at the file's offset or right after the colour table, whichever is
// later.
inline Image bmp_per_pixel(const std::string& file, const Image& shape) {
    const auto u32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(file[at + static_cast<std::size_t>(i)]);
        return std::uint64_t{v};
    };
    const int bits = shape.bit_count();
    std::uint64_t colours = u32(46);
    if (colours == 0 && bits <= 8) colours = std::uint64_t{1} << bits;
    const std::uint64_t start = std::max(u32(10), 14 + std::max<std::uint64_t>(u32(14), 40) + 4 * colours);
    const std::size_t stride = (static_cast<std::size_t>(shape.width()) * bits + 31) / 32 * 4;
    const auto row = [&](int y) {
        return reinterpret_cast<const std::uint8_t*>(file.data()) + start + (shape.height() - 1 - y) * stride;
    };
    return per_pixel_like(
        shape,
        [&](int x, int y) {
            const int per_byte = 8 / bits;
            const std::uint8_t byte = row(y)[x / per_byte];
            return (byte >> (8 - bits * (x % per_byte + 1))) & ((1 << bits) - 1);
        },
        [&](int x, int y) {
            const std::uint8_t* px = row(y) + 3 * x;
            return Color(px[2], px[1], px[0]);
        });
}

// libpng's own rows at 8 bits (16-bit samples cut to their high byte),
// an index or grey level each for palette and grey files, and colour with
// alpha blended over the file's background, white when it names none.
inline Image png_per_pixel(const std::string& file, const Image& shape) {
    struct Source {
        const std::string& file;
        std::size_t at = 0;
    } source{file};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return Image();
    }
    png_set_read_fn(png, &source, [](png_structp p, png_bytep data, std::size_t length) {
        auto& s = *static_cast<Source*>(png_get_io_ptr(p));
        if (s.at + length > s.file.size()) png_error(p, "cut");
        std::memcpy(data, s.file.data() + s.at, length);
        s.at += length;
    });
    png_read_png(png, info, PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_PACKING, nullptr);
    const png_bytepp rows = png_get_rows(png, info);
    const int type = png_get_color_type(png, info);
    // The background is given at the file's depth, which IHDR holds at byte 24.
    const int shift = file[24] == 16 ? 8 : 0;
    int bg[3] = {255, 255, 255};
    png_color_16p bkgd = nullptr;
    if (png_get_bKGD(png, info, &bkgd) & PNG_INFO_bKGD) {
        const bool grey = type == PNG_COLOR_TYPE_GRAY_ALPHA;
        bg[0] = std::min((grey ? bkgd->gray : bkgd->red) >> shift, 255);
        bg[1] = std::min((grey ? bkgd->gray : bkgd->green) >> shift, 255);
        bg[2] = std::min((grey ? bkgd->gray : bkgd->blue) >> shift, 255);
    }
    const auto over = [](int v, int a, int b) { return (v * a + b * (255 - a) + 127) / 255; };
    Image image = per_pixel_like(
        shape, [&](int x, int y) { return int{rows[y][x]}; },
        [&](int x, int y) {
            const png_bytep px = rows[y];
            switch (type) {
                case PNG_COLOR_TYPE_RGB:
                    return Color(px[3 * x], px[3 * x + 1], px[3 * x + 2]);
                case PNG_COLOR_TYPE_RGB_ALPHA: {
                    const png_bytep p = px + 4 * x;
                    return Color(over(p[0], p[3], bg[0]), over(p[1], p[3], bg[1]), over(p[2], p[3], bg[2]));
                }
                default: {
                    const png_bytep p = px + 2 * x;
                    return Color(over(p[0], p[1], bg[0]), over(p[0], p[1], bg[1]), over(p[0], p[1], bg[2]));
                }
            }
        });
    png_destroy_read_struct(&png, &info, nullptr);
    return image;
}

}  // namespace reader_test
