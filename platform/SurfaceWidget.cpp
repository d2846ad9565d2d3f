#include "platform/SurfaceWidget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <algorithm>
#include <vector>

#include "platform/PainterContext.h"
#include "platform/Sleep.h"

namespace platform {
namespace {

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
    if (LiveWidgets().empty()) SetFrameFlusher(&SurfaceWidget::FlushAll);
    LiveWidgets().push_back(this);
}

SurfaceWidget::~SurfaceWidget() {
    auto& widgets = LiveWidgets();
    std::erase(widgets, this);
}

void SurfaceWidget::NewSurface() {
    surface_ = std::make_shared<QImage>(size(), QImage::Format_RGB32);
    surface_->fill(qRgb(background_.red, background_.green, background_.blue));
    invalid_ = erase_ = QRegion(rect());
    unshown_ = QRect();
}

void SurfaceWidget::SetBackground(Rgb colour) { background_ = colour; }

void SurfaceWidget::InvalidateRect(int left, int top, int right, int bottom, bool erase) {
    const int l = std::clamp(left, 0, width()), r = std::clamp(right, 0, width());
    const int t = std::clamp(top, 0, height()), b = std::clamp(bottom, 0, height());
    if (l >= r || t >= b) return;
    const QRect area(l, t, r - l, b - t);
    invalid_ += area;
    if (erase) erase_ += area;
    update(area);
}

std::unique_ptr<DeviceContext> SurfaceWidget::GetDC() {
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

void SurfaceWidget::OnEraseBackground(DeviceContext& dc, int left, int top, int right, int bottom) {
    dc.FillRect(left, top, right, bottom, background_);
}

void SurfaceWidget::OnDraw(DeviceContext&) {}

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
    for (const QRect& r : exposed) painter.drawImage(r.topLeft(), *surface_, r);
    if ((QRegion(unshown_) - exposed).isEmpty()) unshown_ = QRect();
}

void SurfaceWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (surface_->size() == size()) return;
    NewSurface();
    update();
}

}  // namespace platform
