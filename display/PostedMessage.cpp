#include "display/PostedMessage.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <map>

namespace display {

namespace {

// Live windows by serial number: a window made at the address of a destroyed
// one never receives the messages posted to its predecessor.
std::map<QueuedMessageWindow*, std::uint64_t>& LiveWindows() {
    static std::map<QueuedMessageWindow*, std::uint64_t> windows;
    return windows;
}
std::uint64_t nextSerial = 1;

QEvent::Type PostedType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

struct Posting {
    QueuedMessageWindow* window;
    std::uint64_t serial;
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

class PostedEvent : public QEvent {
public:
    explicit PostedEvent(const Posting& p) : QEvent(PostedType()), posting(p) {}
    const Posting posting;
};

class Dispatcher : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != PostedType()) return QObject::event(e);
        const Posting& p = static_cast<PostedEvent*>(e)->posting;
        auto it = LiveWindows().find(p.window);
        if (it != LiveWindows().end() && it->second == p.serial)
            p.window->OnPostedMessage(p.message, p.wParam, p.lParam);
        return true;
    }
};

// Lives in the application's thread as long as the application does.
Dispatcher* TheDispatcher() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return nullptr;
    // Goes with the application; a later application gets a new one.
    static QPointer<Dispatcher> dispatcher;
    if (!dispatcher) {
        dispatcher = new Dispatcher;
        dispatcher->moveToThread(app->thread());
        dispatcher->setParent(app);
    }
    return dispatcher;
}

}  // namespace

QueuedMessageWindow::QueuedMessageWindow() { LiveWindows()[this] = nextSerial++; }

QueuedMessageWindow::~QueuedMessageWindow() { LiveWindows().erase(this); }

bool QueuedMessageWindow::Post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    Dispatcher* dispatcher = TheDispatcher();
    if (!dispatcher) return false;
    QCoreApplication::postEvent(dispatcher, new PostedEvent({this, LiveWindows().at(this), message, wParam, lParam}));
    return true;
}

}  // namespace display
