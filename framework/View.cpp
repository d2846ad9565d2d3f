#include "framework/View.h"

#include <QMouseEvent>
#include <QPointer>
#include <QResizeEvent>

#include "display/Surface.h"
#include "display/SurfaceWidget.h"
#include "framework/Document.h"
#include "framework/EventBoundary.h"
#include "framework/FrameWindow.h"

namespace framework {

namespace {

unsigned ButtonFlags(Qt::MouseButtons buttons) {
    unsigned flags = 0;
    if (buttons & Qt::LeftButton) flags |= View::kLeftButton;
    if (buttons & Qt::RightButton) flags |= View::kRightButton;
    return flags;
}

View* captureView = nullptr;

Point ClientPoint(const QMouseEvent* event) {
    QPoint p = event->position().toPoint();
    return Point(p.x(), p.y());
}

// The view's window: the surface widget with the view's message handlers.
class ViewWidget : public display::SurfaceWidget {
public:
    ViewWidget(View* view, QWidget* parent) : display::SurfaceWidget(parent), view_(view) {
        // Moves without a button held reach the view too: tracking may
        // outlive a capture taken away by another window.
        setMouseTracking(true);
        setFocusPolicy(Qt::ClickFocus);
    }

    void Detach() { view_ = nullptr; }

protected:
    // Handlers fail here, not inside Qt: the exception is reported and the
    // event counts as handled.
    void OnEraseBackground(platform::DeviceContext& dc, int left, int top, int right, int bottom) override {
        bool erased = false;
        RunGuarded([&] { erased = view_ && view_->OnEraseBkgnd(dc); });
        if (!erased) display::SurfaceWidget::OnEraseBackground(dc, left, top, right, bottom);
    }

    void OnDraw(platform::DeviceContext& dc) override {
        if (view_) RunGuarded([&] { view_->OnDraw(dc); });
    }

    void mousePressEvent(QMouseEvent* event) override {
        event->accept();
        unsigned flags = ButtonFlags(event->buttons());
        if (event->button() == Qt::LeftButton) Pointer([&] { view_->OnLButtonDown(flags, ClientPoint(event)); });
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        event->accept();
        unsigned flags = ButtonFlags(event->buttons());
        if (event->button() == Qt::LeftButton) Pointer([&] { view_->OnLButtonUp(flags, ClientPoint(event)); });
    }

    // The second press of a double click is a double click, which the view
    // ignores, not a press (Qt's default would turn it into a second press).
    void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }

    void mouseMoveEvent(QMouseEvent* event) override {
        event->accept();
        Pointer([&] { view_->OnMouseMove(ButtonFlags(event->buttons()), ClientPoint(event)); });
    }

    void resizeEvent(QResizeEvent* event) override {
        display::SurfaceWidget::resizeEvent(event);
        RunGuarded([&] {
            if (view_) view_->OnSize(event->size().width(), event->size().height());
        });
    }

    void OnDevicePixelRatioChange() override {
        RunGuarded([&] {
            if (view_) view_->OnDevicePixelRatioChanged();
        });
    }

private:
    // A mouse handler that fails leaves its gesture half done: a capture it
    // took would outlive it, since nothing may ever release it.
    template <class Handler>
    void Pointer(Handler&& handler) {
        if (!view_) return;
        if (RunGuarded(handler)) return;
        if (view_ && view_->HasCapture()) RunGuarded([this] { view_->OnCancelMode(); });
    }

    View* view_;
};

}  // namespace

class View::Impl {
public:
    QPointer<ViewWidget> widget;
    FrameWindow* frame = nullptr;
    bool captured = false;
};

View::View() : impl_(std::make_unique<Impl>()) {}

View::~View() {
    if (document_) document_->RemoveView(this);
    if (captureView == this) captureView = nullptr;
    if (ViewWidget* widget = impl_->widget) {
        widget->Detach();
        widget->hide();
        // Later: the widget may be inside one of its own handlers right now.
        widget->deleteLater();
    }
}

bool View::Create(FrameWindow* frame) {
    if (!frame || impl_->widget) return false;
    impl_->frame = frame;
    auto* widget = new ViewWidget(this, frame);
    impl_->widget = widget;
    frame->setCentralWidget(widget);
    return true;
}

QWidget* View::Widget() const { return impl_->widget; }

void View::RecalcParentLayout() {
    if (impl_->frame) impl_->frame->RecalcLayout();
}

void View::OnInitialUpdate() { OnUpdate(nullptr); }

void View::OnUpdate(View*) { Invalidate(true); }

bool View::OnEraseBkgnd(platform::DeviceContext&) { return false; }

void View::OnLButtonDown(unsigned, Point) {}
void View::OnLButtonUp(unsigned, Point) {}
void View::OnMouseMove(unsigned, Point) {}
void View::OnSize(int, int) {}
void View::OnDevicePixelRatioChanged() {}

void View::SetCapture() {
    if (!impl_->widget) return;
    if (captureView && captureView != this) captureView->ReleaseCapture();
    // No pointer grab of our own: the press's implicit one already brings the
    // moves outside the view while the button is held, and ends with it. A
    // grab would hold the whole screen's pointer until the release is
    // handled, which a slide inside the press handler puts off.
    impl_->captured = true;
    captureView = this;
}

void View::ReleaseCapture() {
    impl_->captured = false;
    if (captureView == this) captureView = nullptr;
}

bool View::HasCapture() const { return impl_->captured; }

View* View::GetCapture() { return captureView; }

void View::OnCancelMode() { ReleaseCapture(); }

Rect View::GetWindowRect() const {
    QWidget* widget = impl_->widget;
    if (!widget) return Rect();
    QPoint origin = widget->mapToGlobal(QPoint(0, 0));
    return Rect(origin.x(), origin.y(), origin.x() + widget->width(), origin.y() + widget->height());
}

void View::Invalidate(bool erase) {
    if (QWidget* widget = impl_->widget) InvalidateRect(0, 0, widget->width(), widget->height(), erase);
}

void View::InvalidateRect(int left, int top, int right, int bottom, bool erase) {
    if (ViewWidget* widget = impl_->widget) widget->InvalidateRect(left, top, right, bottom, erase);
}

std::unique_ptr<platform::DeviceContext> View::GetDC() {
    if (ViewWidget* widget = impl_->widget) return widget->GetDC();
    // No window (yet or any more): drawing goes nowhere.
    return display::Surface(0, 0, platform::Rgb{}).Context();
}

double View::DevicePixelRatio() const {
    ViewWidget* widget = impl_->widget;
    return widget ? widget->DevicePixelRatio() : 1.0;
}

}  // namespace framework
