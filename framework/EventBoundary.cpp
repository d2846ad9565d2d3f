#include "framework/EventBoundary.h"

#include <QEvent>
#include <QThread>
#include <set>
#include <string>
#include <vector>

#include "framework/FailureReports.h"
#include "framework/MessageBox.h"
#include "display/SurfaceWidget.h"

namespace framework {

namespace {

// An event being delivered; nested deliveries stack up.
struct Delivery {
    QObject* receiver;  // may be gone by the end: then only its address counts
    QEvent::Type type;
    bool completionCounts;
    bool failed = false;
};

struct Boundary {
    FailureReports reports;
    std::vector<Delivery> deliveries;
    std::set<const QObject*> watched;  // receivers kept quiet, until destroyed
    bool showPosted = false;
};

Boundary& TheBoundary() {
    static Boundary boundary;
    return boundary;
}

// Events that fail alike: a drag's press, moves and release, a key's press
// and release.
int Kind(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        return QEvent::MouseButtonPress;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return QEvent::KeyPress;
    default:
        return type;
    }
}

// Whether an event that completes makes its source's failures news again.
// Only the start of a gesture does: moves and releases complete between the
// failing steps of any drag. A surface's paint often only shows what was
// drawn straight to it (a slide's frames), running no handler: its view
// reports the drawings that went through itself.
bool CompletionCounts(QObject* receiver, QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyRelease:
        return false;
    case QEvent::Paint:
        return !qobject_cast<display::SurfaceWidget*>(receiver);
    default:
        return true;
    }
}

void ShowWaiting() {
    Boundary& boundary = TheBoundary();
    while (std::optional<std::string> text = boundary.reports.TakeNext()) {
        try {
            AfxMessageBox(*text);
        } catch (const std::exception&) {
            // The box itself failed: nothing is left to show the text with.
        }
        boundary.reports.Closed();
    }
}

// Shows the waiting texts once the current event is over: a box opened inside
// a paint would paint again beneath itself and fail again.
void ScheduleShow() {
    Boundary& boundary = TheBoundary();
    if (boundary.reports.Showing() || boundary.showPosted)
        return;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || boundary.deliveries.empty()) {
        ShowWaiting();  // outside any event: nothing to wait for
        return;
    }
    boundary.showPosted = true;
    QMetaObject::invokeMethod(
        app,
        [] {
            TheBoundary().showPosted = false;
            ShowWaiting();
        },
        Qt::QueuedConnection);
}

void Report(const std::exception& error, bool keepQuiet) {
    Boundary& boundary = TheBoundary();
    std::optional<FailureReports::Source> source;
    if (!boundary.deliveries.empty()) {
        Delivery& delivery = boundary.deliveries.back();
        delivery.failed = true;
        if (keepQuiet) {
            source = FailureReports::Source{delivery.receiver, Kind(delivery.type)};
            // Its handler failed just now, so the receiver is still there.
            QObject* receiver = delivery.receiver;
            if (receiver && boundary.watched.insert(receiver).second) {
                QObject::connect(receiver, &QObject::destroyed, [receiver] {
                    TheBoundary().watched.erase(receiver);
                    TheBoundary().reports.Forget(receiver);
                });
            }
        }
    }
    const char* text = error.what();
    if (boundary.reports.Failed(source, text ? text : ""))
        ScheduleShow();
}

}  // namespace

QtApplication::QtApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool QtApplication::notify(QObject* receiver, QEvent* event) {
    if (QThread::currentThread() != thread())
        return QApplication::notify(receiver, event);
    Boundary& boundary = TheBoundary();
    const QEvent::Type type = event->type();
    boundary.deliveries.push_back(Delivery{receiver, type, CompletionCounts(receiver, type)});
    bool result = true;
    try {
        result = QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        // The handler was not one of the framework's own: it unwound
        // through Qt, which is the last place to stop it.
        Report(error, true);
    }
    const Delivery delivery = boundary.deliveries.back();
    boundary.deliveries.pop_back();
    if (!delivery.failed && delivery.completionCounts && boundary.reports.AnyQuiet())
        boundary.reports.Completed(FailureReports::Source{receiver, Kind(type)});
    return result;
}

void ReportHandlerSuccess() {
    Boundary& boundary = TheBoundary();
    if (boundary.deliveries.empty() || !boundary.reports.AnyQuiet())
        return;
    const Delivery& delivery = boundary.deliveries.back();
    if (!delivery.failed)
        boundary.reports.Completed(FailureReports::Source{delivery.receiver, Kind(delivery.type)});
}

void ReportHandlerFailure(const std::exception& error) { Report(error, true); }

void ReportCommandFailure(const std::exception& error) { Report(error, false); }

}  // namespace framework
