#pragma once
// The drawing context over a QImage surface (Qt header: display/, framework/
// and shell/ only). Used for off-screen surfaces and for windows alike.
//
// Coordinates are logical pixels. A surface with a device pixel ratio above 1
// holds more pixels than that: fills and frames cover whole device pixels
// (edges through DeviceEdge), text is rasterised at the device's resolution,
// and StretchBlt can put a picture's every pixel on its own device pixel.

#include <QImage>
#include <QRect>
#include <QRegion>
#include <functional>
#include <memory>
#include <vector>

#include "platform/DeviceContext.h"

namespace display {

struct ResolvedFont;

// The device pixels that show the logical rectangle r at ratio, grown by
// grow device pixels on every side and cut to bounds; empty when none remain.
QRect DeviceRect(const QRect& r, double ratio, const QRect& bounds, int grow = 0);

class PainterContext final : public platform::DeviceContext {
public:
    // Called with a box around every change the context makes, in logical
    // pixels.
    using TouchObserver = std::function<void(const QRect&)>;

    // Draws into *surface (an RGB32 image, its devicePixelRatio the ratio),
    // which it keeps alive.
    explicit PainterContext(std::shared_ptr<QImage> surface, TouchObserver observer = {});
    ~PainterContext() override;
    PainterContext(const PainterContext&) = delete;
    PainterContext& operator=(const PainterContext&) = delete;

    // Nothing outside the region (logical pixels) changes from now on.
    void SetClip(const QRegion& clip);
    // Run when the context is destroyed (a window's ReleaseDC).
    void SetReleaseHandler(std::function<void()> handler);

    void FillRect(int left, int top, int right, int bottom, platform::Rgb colour) override;
    void Draw3dRect(int x, int y, int cx, int cy, platform::Rgb topLeft, platform::Rgb bottomRight) override;
    void SelectFont(const platform::Font& font) override;
    void SetBkMode(platform::BkMode mode) override;
    void SetTextColor(platform::Rgb colour) override;
    void TextOut(int x, int y, std::string_view text) override;
    platform::TextExtent GetTextExtent(std::string_view text) override;
    void BitBlt(int x, int y, int w, int h, const platform::PixelBlock& source, int sx, int sy) override;
    void StretchBlt(int x, int y, int w, int h, const platform::PixelBlock& source, int sx, int sy, int sw,
                    int sh) override;

private:
    // The pieces of r (device pixels) that may be drawn: inside the surface
    // and the clip.
    template <typename Fn>
    void ForEachDrawable(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, Fn&& fn);
    // A logical rectangle.
    void Fill(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, platform::Rgb colour);
    std::int64_t Device(std::int64_t v) const { return platform::DeviceEdge(v, ratio_); }
    // Tells the observer about a change to the device pixels of r.
    void Touched(const QRect& r);
    // Copies the device rectangle from source; column[i] and row[j] are the
    // source pixels of its i-th column and j-th row, -1 where there is none.
    void Copy(const QRect& r, const platform::PixelBlock& source, const std::vector<int>& column,
              const std::vector<int>& row);

    std::shared_ptr<QImage> surface_;
    double ratio_ = 1.0;
    TouchObserver observer_;
    std::function<void()> onRelease_;
    std::vector<QRect> drawable_;  // surface bounds, cut by the clip; device pixels
    std::shared_ptr<const ResolvedFont> font_;
    platform::BkMode bkMode_ = platform::BkMode::Opaque;
    platform::Rgb textColour_{0, 0, 0};
};

}  // namespace display
