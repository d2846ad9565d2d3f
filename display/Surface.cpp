#include "display/Surface.h"

#include <QImage>
#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

#include "display/PainterContext.h"

namespace display {

struct Surface::Impl {
    std::shared_ptr<QImage> image;
};

Surface::Surface(int width, int height, platform::Rgb fill, double ratio) : impl_(std::make_unique<Impl>()) {
    if (!(ratio > 0 && ratio <= 8)) throw std::invalid_argument("surface ratio out of range: " + std::to_string(ratio));
    const std::int64_t deviceWidth = platform::DeviceEdge(std::max(width, 0), ratio);
    const std::int64_t deviceHeight = platform::DeviceEdge(std::max(height, 0), ratio);
    if (deviceWidth > std::numeric_limits<int>::max() || deviceHeight > std::numeric_limits<int>::max()) {
        throw std::length_error("surface too large: " + std::to_string(width) + " x " + std::to_string(height));
    }
    width = int(deviceWidth);
    height = int(deviceHeight);
    impl_->image = std::make_shared<QImage>(width, height, QImage::Format_RGB32);
    impl_->image->setDevicePixelRatio(ratio);
    if (width > 0 && height > 0 && impl_->image->isNull()) {
        throw std::length_error("surface too large: " + std::to_string(width) + " x " + std::to_string(height));
    }
    impl_->image->fill(qRgb(fill.red, fill.green, fill.blue));
}

Surface::~Surface() = default;
Surface::Surface(Surface&&) noexcept = default;
Surface& Surface::operator=(Surface&&) noexcept = default;

int Surface::Width() const { return impl_ ? impl_->image->width() : 0; }

int Surface::Height() const { return impl_ ? impl_->image->height() : 0; }

double Surface::Ratio() const { return impl_ ? impl_->image->devicePixelRatio() : 1.0; }

platform::Rgb Surface::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) {
        throw std::out_of_range("pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") outside the surface");
    }
    const QRgb p = impl_->image->pixel(x, y);
    return platform::Rgb{std::uint8_t(qRed(p)), std::uint8_t(qGreen(p)), std::uint8_t(qBlue(p))};
}

std::unique_ptr<platform::DeviceContext> Surface::Context() {
    return std::make_unique<PainterContext>(impl_ ? impl_->image : std::make_shared<QImage>());
}

}  // namespace display
