#pragma once
// The framework's frame window (a Qt header: framework/ and shell/ only). It
// holds the bars and the view, routes commands view -> document -> frame ->
// application, keeps its title as "<document title> - <application title>",
// and closes through OnClose whether the close comes from the title bar or
// from a command.

#include <QMainWindow>
#include <QString>
#include <optional>
#include <string>

#include "framework/CommandTarget.h"

class QAction;
class QMimeData;

namespace framework {

class Document;
class View;

// The creation rectangle: the outer rectangle of the window, frame included.
struct CreateStruct {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

class FrameWindow : public QMainWindow, public CommandTarget {
    Q_OBJECT

public:
    // The largest window size LoadFrame makes, and the farthest position
    // either way (X's 16-bit coordinates; desktops of several screens reach
    // well past one screen's width).
    static constexpr int kMaxWindowExtent = 8192;
    static constexpr int kMaxWindowPosition = 32767;

    FrameWindow();
    ~FrameWindow() override;

    // Runs PreCreateWindow and OnCreate and places the window; false when
    // either refuses. The window is not shown yet.
    bool LoadFrame();

    virtual bool PreCreateWindow(CreateStruct& cs);
    // 0 on success, -1 when a step fails.
    virtual int OnCreate();
    // Closes the document and destroys the window.
    virtual void OnClose();

    // Places the bars and the view, so the view has its final size.
    void RecalcLayout();

    // The view that gets commands first; a frame may update its commands' states here.
    virtual void SetActiveView(View* view);
    View* GetActiveView() const { return view_; }
    Document* GetActiveDocument() const;

    // Routes id and reports whether a target took it. A handler's exception
    // of the standard family is shown in a message box, not passed on.
    bool RouteCommand(int id);
    // An action that routes id when triggered, with its status prompt.
    QAction* CommandAction(int id, const QString& text, const QString& prompt);

    void OnUpdateFrameTitle(const std::string& documentTitle);
    // What follows the document title: the application title.
    void SetBaseTitle(const std::string& title) { baseTitle_ = title; }

    // The outer rectangle in screen coordinates.
    QRect WindowRect() const;
    // The client size that makes the outer size wanted, from the outer and
    // inner rectangles once a window manager has framed the window; an
    // invalid size while there is no frame to make room for.
    static QSize ClientSizeForOuter(const QRect& outer, const QRect& inner, const QSize& wanted);
    // Whether the named Qt platform is a Wayland compositor's client. A
    // compositor places every window itself and never tells a client where
    // it is, and it grabs the pointer for a window only while a button is
    // held (which is all a view's capture needs).
    static bool IsWayland(const QString& platformName);
    // The application's platform, unless a test acts as another one.
    static QString WindowPlatform();
    // Makes WindowPlatform() answer name; an empty name ends that. Returns
    // what was set before.
    static QString SetWindowPlatformOverride(const QString& name);
    static bool OnWayland() { return IsWayland(WindowPlatform()); }
    bool CanPlaceItself() const { return !OnWayland(); }

    // True once OnClose has destroyed the window.
    bool IsDestroyed() const { return destroyed_; }

    // The one local file a drop carries, as the bytes the file system names
    // it by; nothing for several files, text, or a URL that is no local file.
    static std::optional<std::string> DroppedFile(const QMimeData* data);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    // A drop of one file opens it as the recent-file list would; any other
    // drag is not accepted, so it needs no message.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    View* view_ = nullptr;
    std::string baseTitle_;
    bool inCloseEvent_ = false;
    bool destroyed_ = false;
    // The outer size still to reach once the window manager tells the frame's size.
    QSize pendingOuterSize_;
};

}  // namespace framework
