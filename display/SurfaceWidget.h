#pragma once
// A window that shows a surface (Qt header: display/, framework/ and shell/
// only).
//
// The surface is a picture of the client area and is what the window shows.
// Invalidated areas are drawn into it by OnDraw when the event loop paints;
// contexts from GetDC draw into it at once, and what they drew is put on the
// screen before every platform::Sleep, so each animation frame is seen.
//
// The surface holds device pixels: on a screen of ratio 2 a 300 x 200 window
// has a 600 x 400 surface, drawn on in logical pixels by the contexts, so
// text, frames and prepared pictures land at the screen's own resolution.

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <memory>

#include "platform/Window.h"

namespace display {

class SurfaceWidget : public QWidget, public platform::Window {
    Q_OBJECT

public:
    explicit SurfaceWidget(QWidget* parent = nullptr);
    ~SurfaceWidget() override;

    void InvalidateRect(int left, int top, int right, int bottom, bool erase) override;
    std::unique_ptr<platform::DeviceContext> GetDC() override;
    // The surface's ratio, which follows the screen the window is on.
    double DevicePixelRatio() const override { return surface_->devicePixelRatio(); }

    // The colour OnEraseBackground fills with; white unless set.
    void SetBackground(platform::Rgb colour);

    const QImage& Surface() const { return *surface_; }

    // Puts what GetDC contexts drew on the screen now, drawing nothing anew.
    void FlushSurface();
    // Every window's FlushSurface; platform::Sleep runs it before sleeping.
    static void FlushAll();

protected:
    // Clears an invalidated area that asked for erasing; dc is clipped to it.
    virtual void OnEraseBackground(platform::DeviceContext& dc, int left, int top, int right, int bottom);
    // Draws the window's content; dc is clipped to the area being repainted.
    virtual void OnDraw(platform::DeviceContext& dc);
    // The window went to a screen of another ratio; the new surface is
    // already invalid as a whole.
    virtual void OnDevicePixelRatioChange() {}

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void NewSurface();
    // A new surface when the screen's ratio is no longer the surface's.
    void FollowScreenRatio();

    std::shared_ptr<QImage> surface_;
    QRegion invalid_;  // to be drawn by OnDraw
    QRegion erase_;    // the part of invalid_ to erase first
    QRect unshown_;    // drawn by GetDC contexts, not yet on the screen
    bool showOnly_ = false;
    platform::Rgb background_{255, 255, 255};
};

}  // namespace display
