#pragma once
// Copies rectangles of an Image onto a drawing context: the one place where a
// picture reaches the screen. Stateless; made for one drawing or kept.

#include "platform/Geometry.h"

class Image;

namespace platform {
class DeviceContext;
struct PixelBlock;
}  // namespace platform

class ImageRenderer {
public:
    ImageRenderer() = default;
    virtual ~ImageRenderer();

    // Copies source (picture coordinates, y downward, right and bottom
    // exclusive) to point at the same size. Throws exec_error without pixel
    // memory; only 24-bit images reach the screen, others throw
    // Image::not_support. Pixels outside the image are not drawn.
    virtual void draw(const Image& image, platform::DeviceContext& dc, Point point, Rect source, bool realize_palette);
    // Copies source (picture pixels) onto destination (the context's logical
    // pixels), the nearest picture pixel on every device pixel: a picture
    // prepared at the screen's ratio lands on it pixel for pixel. Fails as
    // draw does.
    virtual void draw_stretched(const Image& image, platform::DeviceContext& dc, Rect destination, Rect source,
                                bool realize_palette);
    // The whole image.
    virtual void draw_all(const Image& image, platform::DeviceContext& dc, Point point, bool realize_palette);
    // Realises the image's palette in dc; a 24-bit image has none.
    virtual void realize_palette(const Image& image, platform::DeviceContext& dc);

private:
    // What every copy checks first, and the image's pixels as the context takes them.
    platform::PixelBlock prepare(const Image& image, platform::DeviceContext& dc, bool realize);
};
