#include "shell/StartupTiming.h"

#include <QEvent>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "framework/FrameWindow.h"
#include "framework/View.h"

namespace shell {

namespace {

long long RealtimeNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

class StartupWatcher : public QObject {
public:
    StartupWatcher(QObject* parent, QWidget* view) : QObject(parent), view_(view) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!mapped_ && event->type() == QEvent::Expose) {
            auto* window = qobject_cast<QWindow*>(watched);
            if (window && window->isExposed()) {
                mapped_ = true;
                std::fprintf(stderr, "tesserin-timing mapped %lld\n", RealtimeNanoseconds());
            }
        }
        if (!drawn_ && watched == view_ && event->type() == QEvent::Paint) {
            drawn_ = true;
            // Printed once the paint and its flush to the screen are done.
            QTimer::singleShot(0, this,
                               [] { std::fprintf(stderr, "tesserin-timing drawn %lld\n", RealtimeNanoseconds()); });
        }
        return false;
    }

private:
    QWidget* view_;
    bool mapped_ = false;
    bool drawn_ = false;
};

}  // namespace

void WatchStartup(framework::FrameWindow* frame) {
    if (!frame || !std::getenv(kStartupTimingVariable)) return;
    QWidget* view = frame->GetActiveView() ? frame->GetActiveView()->Widget() : nullptr;
    auto* watcher = new StartupWatcher(frame, view);
    frame->winId();  // makes the native window, so its expose can be watched
    frame->windowHandle()->installEventFilter(watcher);
    if (view) view->installEventFilter(watcher);
}

}  // namespace shell
