#pragma once
// The framework's view: a window filling the frame's client area between the
// bars. It paints through OnEraseBkgnd and OnDraw into the window's surface
// and gets the left-button, mouse-move and size messages with client
// coordinates. Right-button and double-click input is taken and ignored, and
// keys go to Qt's default handling: none of it reaches the board.

#include <memory>

#include "framework/CommandTarget.h"
#include "platform/DeviceContext.h"
#include "platform/Geometry.h"
#include "platform/Window.h"

class QWidget;

namespace framework {

class Document;
class FrameWindow;

class View : public CommandTarget, public platform::Window {
public:
    View();
    ~View() override;

    Document* GetDocument() const { return document_; }
    // Has the frame place its bars and this view now.
    void RecalcParentLayout();

    // Makes the window as a child of the frame; false when that fails.
    bool Create(FrameWindow* frame);
    // The widget, for the frame's layout and for tests; null before Create.
    QWidget* Widget() const;

    virtual void OnInitialUpdate();       // invalidates the whole view
    virtual void OnUpdate(View* sender);  // invalidates the whole view
    virtual void OnDraw(platform::DeviceContext& dc) = 0;
    // Fills the erased area; returns whether the background counts as erased.
    virtual bool OnEraseBkgnd(platform::DeviceContext& dc);

    // Flags are a bit set of kLeftButton and kRightButton held at the time.
    static constexpr unsigned kLeftButton = 1;
    static constexpr unsigned kRightButton = 2;
    virtual void OnLButtonDown(unsigned flags, Point point);
    virtual void OnLButtonUp(unsigned flags, Point point);
    virtual void OnMouseMove(unsigned flags, Point point);
    virtual void OnSize(int cx, int cy);
    // The window moved to a screen of another pixel density; the whole view
    // is repainted anyway.
    virtual void OnDevicePixelRatioChanged();

    // Taken on a press: while its button is held, every mouse message goes to
    // this view, wherever the pointer is. One view at a time holds the capture;
    // the pointer stays the screen's.
    void SetCapture();
    void ReleaseCapture();
    bool HasCapture() const;
    // The view holding the capture, or null.
    static View* GetCapture();
    // The capture ends before the button comes up: a message box is shown, or
    // one of this view's mouse handlers failed. Releases the capture; a view
    // that tracks a drag forgets it here too.
    virtual void OnCancelMode();

    // The window's rectangle in screen coordinates, border included.
    Rect GetWindowRect() const;

    void Invalidate(bool erase = true);
    // Window
    void InvalidateRect(int left, int top, int right, int bottom, bool erase) override;
    std::unique_ptr<platform::DeviceContext> GetDC() override;
    double DevicePixelRatio() const override;

private:
    friend class Document;
    class Impl;
    Document* document_ = nullptr;
    std::unique_ptr<Impl> impl_;
};

}  // namespace framework
