#include "platform/PostedMessage.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <map>
#include <mutex>
#include <string>

namespace platform {

namespace {

std::mutex registryMutex;

std::map<std::string, unsigned, std::less<>>& Names() {
    static std::map<std::string, unsigned, std::less<>> names;
    return names;
}

// Live windows by serial number: a window made at the address of a destroyed
// one never receives the messages posted to its predecessor.
std::map<MessageWindow*, std::uint64_t>& LiveWindows() {
    static std::map<MessageWindow*, std::uint64_t> windows;
    return windows;
}
std::uint64_t nextSerial = 1;

QEvent::Type PostedType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

class PostedEvent : public QEvent {
public:
    PostedEvent(MessageWindow* window, std::uint64_t serial, unsigned message, std::uintptr_t wParam,
                std::intptr_t lParam)
        : QEvent(PostedType()), window(window), serial(serial), message(message), wParam(wParam), lParam(lParam) {}
    MessageWindow* window;
    std::uint64_t serial;
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

class Dispatcher : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() != PostedType())
            return QObject::event(e);
        auto* posted = static_cast<PostedEvent*>(e);
        bool live = false;
        {
            std::lock_guard guard(registryMutex);
            auto it = LiveWindows().find(posted->window);
            live = it != LiveWindows().end() && it->second == posted->serial;
        }
        if (live)
            posted->window->OnPostedMessage(posted->message, posted->wParam, posted->lParam);
        return true;
    }
};

// Lives in the application's thread as long as the application does.
Dispatcher* TheDispatcher() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return nullptr;
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

unsigned RegisterWindowMessage(std::string_view name) {
    std::lock_guard guard(registryMutex);
    auto& names = Names();
    auto it = names.find(name);
    if (it != names.end())
        return it->second;
    const unsigned id = 0xC000u + static_cast<unsigned>(names.size());
    names.emplace(std::string(name), id);
    return id;
}

MessageWindow::MessageWindow() {
    std::lock_guard guard(registryMutex);
    LiveWindows()[this] = nextSerial++;
}

MessageWindow::~MessageWindow() {
    std::lock_guard guard(registryMutex);
    LiveWindows().erase(this);
}

bool PostMessage(MessageWindow* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (!window)
        return false;
    std::uint64_t serial = 0;
    {
        std::lock_guard guard(registryMutex);
        auto it = LiveWindows().find(window);
        if (it == LiveWindows().end())
            return false;
        serial = it->second;
    }
    Dispatcher* dispatcher = TheDispatcher();
    if (!dispatcher)
        return false;
    QCoreApplication::postEvent(dispatcher, new PostedEvent(window, serial, message, wParam, lParam));
    return true;
}

void DispatchPostedMessages() {
    if (Dispatcher* dispatcher = TheDispatcher())
        QCoreApplication::sendPostedEvents(dispatcher, PostedType());
}

}  // namespace platform
