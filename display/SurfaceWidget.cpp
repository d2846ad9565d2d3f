#include "display/SurfaceWidget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <vector>

#include "display/PainterContext.h"
#include "platform/Sleep.h"

namespace display {
namespace {

// A ratio the surface can be made at: the screen's, within reason.
double UsableRatio(double ratio) { return std::isfinite(ratio) && ratio > 0 ? std::clamp(ratio, 0.25, 8.0) : 1.0; }

// The widget's size in the surface's device pixels.
QSize DeviceSize(const QSize& logical, double ratio) {
    return QSize(int(platform::DeviceEdge(logical.width(), ratio)), int(platform::DeviceEdge(logical.height(), ratio)));
}

std::vector<SurfaceWidget*>& LiveWidgets() {
    static std::vector<SurfaceWidget*> widgets;
    return widgets;
}

}  // namespace

SurfaceWidget::SurfaceWidget(QWidget* parent) : QWidget(parent) {
    // Every paint covers its whole area from the surface.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    NewSurface();
    if (LiveWidgets().empty()) platform::SetFrameFlusher(&SurfaceWidget::FlushAll);
    LiveWidgets().push_back(this);
}

SurfaceWidget::~SurfaceWidget() {
    auto& widgets = LiveWidgets();
    std::erase(widgets, this);
}

void SurfaceWidget::NewSurface() {
    const double ratio = UsableRatio(devicePixelRatioF());
    surface_ = std::make_shared<QImage>(DeviceSize(size(), ratio), QImage::Format_RGB32);
    surface_->setDevicePixelRatio(ratio);
    surface_->fill(qRgb(background_.red, background_.green, background_.blue));
    invalid_ = erase_ = QRegion(rect());
    unshown_ = QRect();
}

void SurfaceWidget::SetBackground(platform::Rgb colour) { background_ = colour; }

void SurfaceWidget::InvalidateRect(int left, int top, int right, int bottom, bool erase) {
    const int l = std::clamp(left, 0, width()), r = std::clamp(right, 0, width());
    const int t = std::clamp(top, 0, height()), b = std::clamp(bottom, 0, height());
    if (l >= r || t >= b) return;
    const QRect area(l, t, r - l, b - t);
    invalid_ += area;
    if (erase) erase_ += area;
    update(area);
}

std::unique_ptr<platform::DeviceContext> SurfaceWidget::GetDC() {
    QPointer<SurfaceWidget> self(this);
    std::shared_ptr<QImage> image = surface_;
    auto dc = std::make_unique<PainterContext>(image, [self, image](const QRect& r) {
        // A context from before a resize draws on a surface no longer shown.
        if (self && self->surface_ == image) self->unshown_ |= r;
    });
    dc->SetReleaseHandler([self] {
        if (self && !self->unshown_.isEmpty()) self->update(self->unshown_);
    });
    return dc;
}

void SurfaceWidget::FlushSurface() {
    if (unshown_.isEmpty()) return;
    showOnly_ = true;
    repaint(unshown_);
    showOnly_ = false;
    // The synchronous repaint may have taken pending invalid areas with it
    // without drawing them; ask for them again.
    if (!invalid_.isEmpty()) update(invalid_);
}

void SurfaceWidget::FlushAll() {
    std::vector<QPointer<SurfaceWidget>> widgets(LiveWidgets().begin(), LiveWidgets().end());
    for (const auto& w : widgets) {
        if (w) w->FlushSurface();
    }
}

void SurfaceWidget::OnEraseBackground(platform::DeviceContext& dc, int left, int top, int right, int bottom) {
    dc.FillRect(left, top, right, bottom, background_);
}

void SurfaceWidget::OnDraw(platform::DeviceContext&) {}

void SurfaceWidget::paintEvent(QPaintEvent* event) {
    const QRegion exposed = event->region();
    if (!showOnly_) {
        const QRegion todo = invalid_.intersected(exposed);
        if (!todo.isEmpty()) {
            const QRegion eraseNow = erase_.intersected(todo);
            // Taken out first: drawing may invalidate again.
            invalid_ -= todo;
            erase_ -= todo;
            if (!eraseNow.isEmpty()) {
                PainterContext dc(surface_);
                dc.SetClip(eraseNow);
                const QRect box = eraseNow.boundingRect();
                OnEraseBackground(dc, box.left(), box.top(), box.right() + 1, box.bottom() + 1);
            }
            PainterContext dc(surface_);
            dc.SetClip(todo);
            OnDraw(dc);
        }
    }
    QPainter painter(this);
    const double ratio = surface_->devicePixelRatio();
    // At fractional ratios a device pixel more on every side: the window
    // system may round the area it shows outwards.
    const int grow = ratio == std::floor(ratio) ? 0 : 1;
    for (const QRect& r : exposed) {
        // Device pixels of the surface onto the same device pixels.
        const QRect source = DeviceRect(r, ratio, surface_->rect(), grow);
        if (!source.isEmpty()) painter.drawImage(QPointF(source.topLeft()) / ratio, *surface_, QRectF(source));
    }
    if ((QRegion(unshown_) - exposed).isEmpty()) unshown_ = QRect();
}

void SurfaceWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const double ratio = surface_->devicePixelRatio();
    if (ratio != UsableRatio(devicePixelRatioF())) {
        FollowScreenRatio();
        return;
    }
    if (surface_->size() == DeviceSize(size(), ratio)) return;
    NewSurface();
    update();
}

bool SurfaceWidget::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    switch (event->type()) {
        case QEvent::ScreenChangeInternal:
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        case QEvent::DevicePixelRatioChange:
#endif
        case QEvent::Show:
            FollowScreenRatio();
            break;
        default:
            break;
    }
    return handled;
}

void SurfaceWidget::FollowScreenRatio() {
    if (surface_->devicePixelRatio() == UsableRatio(devicePixelRatioF())) return;
    NewSurface();
    update();
    OnDevicePixelRatioChange();
}

}  // namespace display
