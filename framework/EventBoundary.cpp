#include "framework/EventBoundary.h"

#include <QEvent>
#include <QThread>
#include <algorithm>
#include <deque>
#include <set>
#include <string>

#include "framework/MessageBox.h"

namespace framework {

namespace {

struct Reports {
    std::deque<std::string> waiting;
    std::set<std::string> shown;  // since the player last pressed a button or a key
    bool showing = false;
    bool posted = false;
};

Reports& TheReports() {
    static Reports reports;
    return reports;
}

void ShowWaiting() {
    Reports& reports = TheReports();
    reports.posted = false;
    reports.showing = true;
    while (!reports.waiting.empty()) {
        std::string text = std::move(reports.waiting.front());
        reports.waiting.pop_front();
        reports.shown.insert(text);
        try {
            AfxMessageBox(text);
        } catch (const std::exception&) {
            // The box itself failed: nothing is left to show the text with.
        }
    }
    reports.showing = false;
}

bool IsPlayerAct(QEvent::Type type) {
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || type == QEvent::KeyPress;
}

}  // namespace

QtApplication::QtApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool QtApplication::notify(QObject* receiver, QEvent* event) {
    if (QThread::currentThread() != thread()) return QApplication::notify(receiver, event);
    // The player acted, so what was shown may be news again; a press or a
    // key on a box that is up only answers it.
    Reports& reports = TheReports();
    if (!reports.showing && IsPlayerAct(event->type())) reports.shown.clear();
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        // The handler was not one of the framework's own: it unwound
        // through Qt, which is the last place to stop it.
        ReportHandlerFailure(error);
        return true;
    }
}

void ReportHandlerFailure(const std::exception& error) {
    Reports& reports = TheReports();
    const char* what = error.what();
    std::string text = what ? what : "";
    if (reports.shown.contains(text) ||
        std::find(reports.waiting.begin(), reports.waiting.end(), text) != reports.waiting.end())
        return;
    reports.waiting.push_back(std::move(text));
    // Shown once the current event is over: a box opened inside a paint
    // would paint again beneath itself and fail again. While one is up, the
    // loop showing it takes the new text next.
    if (reports.showing || reports.posted) return;
    reports.posted = true;
    QMetaObject::invokeMethod(QCoreApplication::instance(), ShowWaiting, Qt::QueuedConnection);
}

}  // namespace framework
