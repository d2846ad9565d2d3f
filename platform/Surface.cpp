#include "platform/Surface.h"

#include <QImage>
#include <QString>
#include <algorithm>
#include <stdexcept>

#include "platform/GuiApplication.h"
#include "platform/PainterContext.h"

namespace platform {

struct Surface::Impl {
    std::shared_ptr<QImage> image;
};

Surface::Surface(int width, int height, Rgb fill) : impl_(std::make_unique<Impl>()) {
    // Text drawing needs the application; making it here spares every caller.
    EnsureGuiApplication();
    width = std::max(width, 0);
    height = std::max(height, 0);
    impl_->image = std::make_shared<QImage>(width, height, QImage::Format_RGB32);
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

Rgb Surface::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width() || y >= Height()) {
        throw std::out_of_range("pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") outside the surface");
    }
    const QRgb p = impl_->image->pixel(x, y);
    return Rgb{std::uint8_t(qRed(p)), std::uint8_t(qGreen(p)), std::uint8_t(qBlue(p))};
}

std::unique_ptr<DeviceContext> Surface::Context() {
    return std::make_unique<PainterContext>(impl_ ? impl_->image : std::make_shared<QImage>());
}

bool Surface::SaveAsPng(const std::string& path) const {
    return impl_ && impl_->image->save(QString::fromStdString(path), "PNG");
}

}  // namespace platform
