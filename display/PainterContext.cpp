#include "display/PainterContext.h"

#include <QString>
#include <algorithm>
#include <cmath>

#include "display/FontCache.h"

namespace display {
namespace {

// The background colour of opaque text: a fresh context's default.
constexpr platform::Rgb kOpaqueBackground{255, 255, 255};

QRgb ToQRgb(platform::Rgb c) { return qRgb(c.red, c.green, c.blue); }

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// (over * a + under * (255 - a)) / 255, rounded, without a division.
inline int Blend(int over, int under, int a) {
    const int v = over * a + under * (255 - a) + 128;
    return (v + (v >> 8)) >> 8;
}

int Clamp(std::int64_t v, int lo, int hi) { return int(std::clamp<std::int64_t>(v, lo, hi)); }

// The logical pixel whose device pixels hold device pixel d.
std::int64_t LogicalOf(std::int64_t d, double ratio) {
    auto u = static_cast<std::int64_t>(std::floor(static_cast<double>(d) / ratio));
    while (platform::DeviceEdge(u + 1, ratio) <= d) ++u;
    while (platform::DeviceEdge(u, ratio) > d) --u;
    return u;
}

}  // namespace

PainterContext::PainterContext(std::shared_ptr<QImage> surface, TouchObserver observer)
    : surface_(std::move(surface)), observer_(std::move(observer)) {
    if (surface_ && !surface_->isNull()) {
        drawable_.push_back(surface_->rect());
        const double ratio = surface_->devicePixelRatio();
        if (std::isfinite(ratio) && ratio > 0) ratio_ = ratio;
    }
    SelectFont(platform::Font{});
}

PainterContext::~PainterContext() {
    if (onRelease_) onRelease_();
}

QRect DeviceRect(const QRect& r, double ratio, const QRect& bounds, int grow) {
    const std::int64_t l = platform::DeviceEdge(r.left(), ratio) - grow,
                       t = platform::DeviceEdge(r.top(), ratio) - grow;
    const std::int64_t rr = platform::DeviceEdge(std::int64_t(r.right()) + 1, ratio) + grow;
    const std::int64_t b = platform::DeviceEdge(std::int64_t(r.bottom()) + 1, ratio) + grow;
    const int cl = Clamp(l, bounds.left(), bounds.right() + 1), cr = Clamp(rr, bounds.left(), bounds.right() + 1);
    const int ct = Clamp(t, bounds.top(), bounds.bottom() + 1), cb = Clamp(b, bounds.top(), bounds.bottom() + 1);
    return cl < cr && ct < cb ? QRect(cl, ct, cr - cl, cb - ct) : QRect();
}

void PainterContext::SetClip(const QRegion& clip) {
    drawable_.clear();
    const QRegion logical = surface_ && !surface_->isNull() ? clip : QRegion();
    // The device pixels of the clip's logical pixels, edges mapped as every
    // drawing maps them.
    QRegion device;
    for (const QRect& r : logical) device += DeviceRect(r, ratio_, surface_->rect());
    drawable_.assign(device.begin(), device.end());
}

void PainterContext::SetReleaseHandler(std::function<void()> handler) { onRelease_ = std::move(handler); }

template <typename Fn>
void PainterContext::ForEachDrawable(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                                     Fn&& fn) {
    if (left >= right || top >= bottom) return;
    for (const QRect& d : drawable_) {
        // Clamping to the piece first keeps huge coordinates from overflowing.
        const int l = Clamp(left, d.left(), d.right() + 1);
        const int r = Clamp(right, d.left(), d.right() + 1);
        const int t = Clamp(top, d.top(), d.bottom() + 1);
        const int b = Clamp(bottom, d.top(), d.bottom() + 1);
        if (l < r && t < b) fn(QRect(l, t, r - l, b - t));
    }
}

void PainterContext::Touched(const QRect& r) {
    if (!observer_ || r.isEmpty()) return;
    if (ratio_ == 1.0) {
        observer_(r);
        return;
    }
    // Every logical pixel that owns one of the device pixels, and one more
    // around it at fractional ratios: the window system rounds the logical
    // area it shows its own way.
    const int grow = ratio_ == std::floor(ratio_) ? 0 : 1;
    const std::int64_t l = LogicalOf(r.left(), ratio_) - grow, t = LogicalOf(r.top(), ratio_) - grow;
    const std::int64_t rr = LogicalOf(r.right(), ratio_) + 1 + grow, b = LogicalOf(r.bottom(), ratio_) + 1 + grow;
    observer_(QRect(int(l), int(t), int(rr - l), int(b - t)));
}

void PainterContext::Fill(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                          platform::Rgb colour) {
    const QRgb pixel = ToQRgb(colour);
    ForEachDrawable(Device(left), Device(top), Device(right), Device(bottom), [&](const QRect& r) {
        uchar* bits = surface_->bits();
        const qsizetype stride = surface_->bytesPerLine();
        for (int y = r.top(); y <= r.bottom(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(bits + y * stride);
            std::fill(row + r.left(), row + r.right() + 1, pixel);
        }
        Touched(r);
    });
}

void PainterContext::FillRect(int left, int top, int right, int bottom, platform::Rgb colour) {
    Fill(left, top, right, bottom, colour);
}

void PainterContext::Draw3dRect(int x, int y, int cx, int cy, platform::Rgb topLeft, platform::Rgb bottomRight) {
    if (cx <= 0 || cy <= 0) return;
    const std::int64_t l = x, t = y, r = std::int64_t(x) + cx, b = std::int64_t(y) + cy;
    Fill(l, t, r - 1, t + 1, topLeft);  // top edge, short of the right corner
    Fill(l, t, l + 1, b - 1, topLeft);  // left edge, short of the bottom corner
    Fill(r - 1, t, r, b, bottomRight);  // right edge in full
    Fill(l, b - 1, r, b, bottomRight);  // bottom edge in full
}

void PainterContext::SelectFont(const platform::Font& font) { font_ = ResolveFont(font); }

void PainterContext::SetBkMode(platform::BkMode mode) { bkMode_ = mode; }

void PainterContext::SetTextColor(platform::Rgb colour) { textColour_ = colour; }

platform::TextExtent PainterContext::GetTextExtent(std::string_view text) {
    return platform::TextExtent{font_->Advance(FromUtf8(text)), font_->ascent + font_->descent};
}

void PainterContext::TextOut(int x, int y, std::string_view text) {
    if (drawable_.empty() || text.empty()) return;
    const QString qtext = FromUtf8(text);
    const int advance = font_->Advance(qtext);
    const int cell = font_->ascent + font_->descent;
    if (bkMode_ == platform::BkMode::Opaque) {
        Fill(x, y, std::int64_t(x) + advance, std::int64_t(y) + cell, kOpaqueBackground);
    }
    const auto mask = font_->Mask(qtext, ratio_);
    if (mask->coverage.isNull()) return;
    const std::int64_t left = Device(x) + mask->offset.x();
    const std::int64_t top = Device(y) + mask->offset.y();
    const int red = textColour_.red, green = textColour_.green, blue = textColour_.blue;
    const QRgb colour = ToQRgb(textColour_);
    ForEachDrawable(left, top, left + mask->coverage.width(), top + mask->coverage.height(), [&](const QRect& r) {
        uchar* bits = surface_->bits();
        const qsizetype stride = surface_->bytesPerLine();
        for (int dy = r.top(); dy <= r.bottom(); ++dy) {
            const uchar* cover = mask->coverage.constScanLine(int(dy - top)) + (r.left() - left);
            auto* row = reinterpret_cast<QRgb*>(bits + dy * stride);
            for (int dx = r.left(); dx <= r.right(); ++dx, ++cover) {
                const int a = *cover;
                if (a == 0) continue;
                if (a == 255) {
                    row[dx] = colour;
                    continue;
                }
                const QRgb d = row[dx];
                row[dx] = qRgb(Blend(red, qRed(d), a), Blend(green, qGreen(d), a), Blend(blue, qBlue(d), a));
            }
        }
        Touched(r);
    });
}

void PainterContext::Copy(const QRect& r, const platform::PixelBlock& source, const std::vector<int>& column,
                          const std::vector<int>& row) {
    uchar* bits = surface_->bits();
    const qsizetype stride = surface_->bytesPerLine();
    // Maps only ever step forward, so these ends mean one source pixel per
    // device pixel, the usual case of a picture prepared for the device.
    const bool oneToOne = column.front() >= 0 && column.back() - column.front() == int(column.size()) - 1;
    for (int dy = r.top(); dy <= r.bottom(); ++dy) {
        const int py = row[std::size_t(dy - r.top())];  // picture row, y downward
        if (py < 0) continue;
        const std::uint8_t* src = source.bits + (source.height - 1 - py) * std::int64_t(source.stride);
        auto* out = reinterpret_cast<QRgb*>(bits + dy * stride);
        if (oneToOne) {
            const std::uint8_t* p = src + std::int64_t(column.front()) * 3;
            for (int dx = r.left(); dx <= r.right(); ++dx, p += 3) out[dx] = qRgb(p[2], p[1], p[0]);
            continue;
        }
        for (int dx = r.left(); dx <= r.right(); ++dx) {
            const int px = column[std::size_t(dx - r.left())];
            if (px < 0) continue;
            const std::uint8_t* p = src + std::int64_t(px) * 3;
            out[dx] = qRgb(p[2], p[1], p[0]);
        }
    }
    Touched(r);
}

namespace {
bool Usable(const platform::PixelBlock& source) {
    return source.bits != nullptr && source.width > 0 && source.height > 0 &&
           source.stride >= std::int64_t(source.width) * 3;
}
}  // namespace

void PainterContext::BitBlt(int x, int y, int w, int h, const platform::PixelBlock& source, int sx, int sy) {
    if (!Usable(source) || w <= 0 || h <= 0) return;
    // Only source pixels that exist are copied.
    std::int64_t left = x, top = y, right = std::int64_t(x) + w, bottom = std::int64_t(y) + h;
    left = std::max(left, std::int64_t(x) - sx);
    top = std::max(top, std::int64_t(y) - sy);
    right = std::min(right, std::int64_t(x) - sx + source.width);
    bottom = std::min(bottom, std::int64_t(y) - sy + source.height);
    if (ratio_ == 1.0) {
        ForEachDrawable(left, top, right, bottom, [&](const QRect& r) {
            uchar* bits = surface_->bits();
            const qsizetype stride = surface_->bytesPerLine();
            for (int dy = r.top(); dy <= r.bottom(); ++dy) {
                const std::int64_t py = std::int64_t(dy) - y + sy;  // picture row, y downward
                const std::uint8_t* src = source.bits + (source.height - 1 - py) * std::int64_t(source.stride) +
                                          (std::int64_t(r.left()) - x + sx) * 3;
                auto* row = reinterpret_cast<QRgb*>(bits + dy * stride);
                for (int dx = r.left(); dx <= r.right(); ++dx, src += 3) {
                    row[dx] = qRgb(src[2], src[1], src[0]);
                }
            }
            Touched(r);
        });
        return;
    }
    // Each picture pixel covers the device pixels of its logical pixel.
    std::vector<int> column, row;
    ForEachDrawable(Device(left), Device(top), Device(right), Device(bottom), [&](const QRect& r) {
        column.resize(std::size_t(r.width()));
        row.resize(std::size_t(r.height()));
        for (int i = 0; i < r.width(); ++i) column[std::size_t(i)] = int(LogicalOf(r.left() + i, ratio_) - x + sx);
        for (int j = 0; j < r.height(); ++j) row[std::size_t(j)] = int(LogicalOf(r.top() + j, ratio_) - y + sy);
        Copy(r, source, column, row);
    });
}

void PainterContext::StretchBlt(int x, int y, int w, int h, const platform::PixelBlock& source, int sx, int sy, int sw,
                                int sh) {
    if (!Usable(source) || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
    const std::int64_t left = Device(x), top = Device(y);
    const std::int64_t right = Device(std::int64_t(x) + w), bottom = Device(std::int64_t(y) + h);
    const std::int64_t dw = right - left, dh = bottom - top;
    if (dw <= 0 || dh <= 0) return;
    // The source pixel under the device pixel's centre, when there is one.
    auto nearest = [](std::int64_t i, std::int64_t size, std::int64_t start, std::int64_t count, int limit) {
        const std::int64_t p = count == size
                                   ? start + i
                                   : start + std::int64_t(std::floor((double(i) + 0.5) * double(count) / double(size)));
        return p >= 0 && p < limit ? int(p) : -1;
    };
    std::vector<int> column, row;
    ForEachDrawable(left, top, right, bottom, [&](const QRect& r) {
        column.resize(std::size_t(r.width()));
        row.resize(std::size_t(r.height()));
        for (int i = 0; i < r.width(); ++i)
            column[std::size_t(i)] = nearest(r.left() + i - left, dw, sx, sw, source.width);
        for (int j = 0; j < r.height(); ++j)
            row[std::size_t(j)] = nearest(r.top() + j - top, dh, sy, sh, source.height);
        Copy(r, source, column, row);
    });
}

}  // namespace display
