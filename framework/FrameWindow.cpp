#include "framework/FrameWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLayout>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

#include "framework/Application.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/EventBoundary.h"
#include "framework/FrameworkTexts.h"
#include "framework/View.h"

namespace framework {

FrameWindow::FrameWindow() : baseTitle_(GetFrameworkTexts().appTitle) { setAcceptDrops(true); }

std::optional<std::string> FrameWindow::DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return std::nullopt;
    QString path = urls.front().toLocalFile();
    if (path.isEmpty()) return std::nullopt;
    return QFile::encodeName(path).toStdString();
}

void FrameWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (DroppedFile(e->mimeData()))
        e->acceptProposedAction();
    else
        e->ignore();
}

void FrameWindow::dropEvent(QDropEvent* e) {
    std::optional<std::string> path = DroppedFile(e->mimeData());
    if (!path) {
        e->ignore();
        return;
    }
    e->acceptProposedAction();
    // Opened once the drop has returned: a failure's message box must not
    // hold up the file manager still waiting for the drop to finish.
    QMetaObject::invokeMethod(
        this,
        [file = *path] {
            if (Application* app = AfxGetApp()) app->OpenDocumentFile(file);
        },
        Qt::QueuedConnection);
}

FrameWindow::~FrameWindow() = default;

namespace {
QString& PlatformOverride() {
    static QString name;
    return name;
}
}  // namespace

bool FrameWindow::IsWayland(const QString& platformName) {
    // "wayland", "wayland-egl", "wayland-brcm", ...: the plugins' keys.
    return platformName.startsWith(QLatin1String("wayland"), Qt::CaseInsensitive);
}

QString FrameWindow::WindowPlatform() {
    return PlatformOverride().isEmpty() ? QGuiApplication::platformName() : PlatformOverride();
}

QString FrameWindow::SetWindowPlatformOverride(const QString& name) {
    QString previous = PlatformOverride();
    PlatformOverride() = name;
    return previous;
}

bool FrameWindow::PreCreateWindow(CreateStruct& cs) {
    // The platform's default placement for a new window.
    cs.x = 0;
    cs.y = 0;
    cs.cx = 640;
    cs.cy = 480;
    return true;
}

int FrameWindow::OnCreate() { return 0; }

bool FrameWindow::LoadFrame() {
    CreateStruct cs;
    if (!PreCreateWindow(cs)) return false;
    // Like any window system, this one makes windows only up to a limit; a
    // corrupt settings file must not ask for a window it cannot make (or a
    // surface of gigabytes).
    cs.x = std::clamp(cs.x, -kMaxWindowPosition, kMaxWindowPosition);
    cs.y = std::clamp(cs.y, -kMaxWindowPosition, kMaxWindowPosition);
    cs.cx = std::clamp(cs.cx, 1, kMaxWindowExtent);
    cs.cy = std::clamp(cs.cy, 1, kMaxWindowExtent);
    // Qt places the outer rectangle with move() but sizes the client area;
    // the frame's own size is known only once the window manager has framed
    // the window, so the size is corrected then (see event()). Where the
    // compositor places windows, only the size is asked for.
    if (CanPlaceItself()) move(cs.x, cs.y);
    resize(cs.cx, cs.cy);
    pendingOuterSize_ = QSize(cs.cx, cs.cy);
    return OnCreate() != -1;
}

QSize FrameWindow::ClientSizeForOuter(const QRect& outer, const QRect& inner, const QSize& wanted) {
    // A frame sets the client off its corner (a title bar at the least).
    // Without that offset a larger outer rectangle is no frame: Qt read it
    // back from the server while its own size still lagged behind, as when
    // another program moves and resizes the window in quick succession.
    if (inner.left() <= outer.left() && inner.top() <= outer.top()) return QSize();
    int extraWidth = outer.width() - inner.width();
    int extraHeight = outer.height() - inner.height();
    return QSize(std::max(wanted.width() - extraWidth, 1), std::max(wanted.height() - extraHeight, 1));
}

bool FrameWindow::event(QEvent* e) {
    bool result = QMainWindow::event(e);
    // A Wayland client draws its own frame, made as the window is shown: it
    // is there by ShowToParent, and no move or resize may follow.
    const bool placed = e->type() == QEvent::Move || e->type() == QEvent::Resize || e->type() == QEvent::Show ||
                        e->type() == QEvent::ShowToParent;
    if (pendingOuterSize_.isValid() && isVisible() && placed) {
        QSize client = ClientSizeForOuter(frameGeometry(), geometry(), pendingOuterSize_);
        if (client.isValid()) {
            pendingOuterSize_ = QSize();
            resize(client);
        }
    }
    return result;
}

void FrameWindow::RecalcLayout() {
    if (layout()) layout()->activate();
}

void FrameWindow::SetActiveView(View* view) { view_ = view; }

Document* FrameWindow::GetActiveDocument() const { return view_ ? view_->GetDocument() : nullptr; }

bool FrameWindow::RouteCommand(int id) {
    Document* document = GetActiveDocument();
    try {
        return framework::RouteCommand(id, {view_, document, this, AfxGetApp()});
    } catch (const std::exception& error) {
        // Caught here rather than inside Qt's menu and button code, which
        // would be left half way through its own bookkeeping.
        ReportHandlerFailure(error);
        return true;
    }
}

QAction* FrameWindow::CommandAction(int id, const QString& text, const QString& prompt) {
    auto* action = new QAction(text, this);
    action->setStatusTip(prompt);
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
    return action;
}

void FrameWindow::OnUpdateFrameTitle(const std::string& documentTitle) {
    std::string title =
        documentTitle.empty() ? baseTitle_ : documentTitle + GetFrameworkTexts().titleSeparator + baseTitle_;
    setWindowTitle(QString::fromStdString(title));
}

QRect FrameWindow::WindowRect() const { return frameGeometry(); }

void FrameWindow::OnClose() {
    Application* app = AfxGetApp();
    if (app && app->GetDocTemplate() && app->GetDocTemplate()->GetFrame() == this)
        app->GetDocTemplate()->CloseAllDocuments();
    view_ = nullptr;
    destroyed_ = true;
    if (!inCloseEvent_) close();
}

void FrameWindow::closeEvent(QCloseEvent* e) {
    if (!destroyed_) {
        inCloseEvent_ = true;
        OnClose();
        inCloseEvent_ = false;
    }
    if (destroyed_)
        e->accept();
    else
        e->ignore();
}

}  // namespace framework
