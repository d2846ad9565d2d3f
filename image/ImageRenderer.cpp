#include "image/ImageRenderer.h"

#include <algorithm>
#include <vector>

#include "image/Image.h"
#include "platform/DeviceContext.h"

ImageRenderer::~ImageRenderer() = default;

void ImageRenderer::draw(const Image& image, platform::DeviceContext& dc, Point point, Rect source, bool realize) {
    dc.BitBlt(point.x, point.y, source.right - source.left, source.bottom - source.top, prepare(image, dc, realize),
              source.left, source.top);
}

void ImageRenderer::draw_stretched(const Image& image, platform::DeviceContext& dc, Rect destination, Rect source,
                                   bool realize) {
    dc.StretchBlt(destination.left, destination.top, destination.right - destination.left,
                  destination.bottom - destination.top, prepare(image, dc, realize), source.left, source.top,
                  source.right - source.left, source.bottom - source.top);
}

platform::PixelBlock ImageRenderer::prepare(const Image& image, platform::DeviceContext& dc, bool realize) {
    if (!image.is_created()) throw exec_error(messages::kExecError);
    if (image.bit_count() != 24) throw Image::not_support();
    if (realize) realize_palette(image, dc);
    return platform::PixelBlock{image.bitmap(), image.width(), image.height(), image.stride()};
}

void ImageRenderer::draw_all(const Image& image, platform::DeviceContext& dc, Point point, bool realize) {
    draw(image, dc, point, Rect(0, 0, image.width(), image.height()), realize);
}

void ImageRenderer::realize_palette(const Image& image, platform::DeviceContext& dc) {
    const int n = static_cast<int>(std::min<std::uint32_t>(image.palette_size(), 256));
    if (n == 0) return;
    std::vector<platform::Rgb> entries;
    entries.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const Color c = image.palette_color(i);
        entries.push_back({c.red, c.green, c.blue});
    }
    dc.RealizePalette(entries.data(), n);
}
