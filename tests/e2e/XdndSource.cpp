#include "tests/e2e/XdndSource.h"

// Qt (in XSession.h) before Xlib: Xlib's macros break Qt's headers.
#include "tests/e2e/XSession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace e2e {

namespace {

constexpr long kVersion = 5;

struct Atoms {
    explicit Atoms(Display* d)
        : aware(XInternAtom(d, "XdndAware", False)),
          enter(XInternAtom(d, "XdndEnter", False)),
          position(XInternAtom(d, "XdndPosition", False)),
          status(XInternAtom(d, "XdndStatus", False)),
          drop(XInternAtom(d, "XdndDrop", False)),
          leave(XInternAtom(d, "XdndLeave", False)),
          finished(XInternAtom(d, "XdndFinished", False)),
          selection(XInternAtom(d, "XdndSelection", False)),
          copy(XInternAtom(d, "XdndActionCopy", False)),
          uriList(XInternAtom(d, "text/uri-list", False)),
          targets(XInternAtom(d, "TARGETS", False)) {}
    Atom aware, enter, position, status, drop, leave, finished, selection, copy, uriList, targets;
};

void Send(Display* d, Window target, Atom type, const std::vector<long>& data) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    for (std::size_t i = 0; i < data.size() && i < 5; ++i) event.xclient.data.l[i] = data[i];
    XSendEvent(d, target, False, NoEventMask, &event);
    XFlush(d);
}

// The next event, or false once the deadline has passed.
bool NextEvent(Display* d, XEvent& event, std::chrono::steady_clock::time_point deadline) {
    while (!XPending(d)) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd fd{ConnectionNumber(d), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(std::min<long long>(left.count(), 100)));
    }
    XNextEvent(d, &event);
    return true;
}

// Hands the data to the target that asked for it, as any selection owner does.
bool Answer(Display* d, const Atoms& atoms, const XSelectionRequestEvent& request, const std::string& uris) {
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    Atom property = request.property != None ? request.property : request.target;
    bool gave = false;
    if (request.target == atoms.uriList) {
        XChangeProperty(d, request.requestor, property, atoms.uriList, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(uris.data()), static_cast<int>(uris.size()));
        reply.xselection.property = property;
        gave = true;
    } else if (request.target == atoms.targets) {
        Atom offered[] = {atoms.targets, atoms.uriList};
        XChangeProperty(d, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(offered), 2);
        reply.xselection.property = property;
    }
    XSendEvent(d, request.requestor, False, NoEventMask, &reply);
    XFlush(d);
    return gave;
}

bool Aware(Display* d, const Atoms& atoms, Window window) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* value = nullptr;
    if (XGetWindowProperty(d, window, atoms.aware, 0, 1, False, XA_ATOM, &type, &format, &count, &after, &value) !=
        Success)
        return false;
    bool aware =
        type == XA_ATOM && format == 32 && count == 1 && value && *reinterpret_cast<unsigned long*>(value) >= 3;
    if (value) XFree(value);
    return aware;
}

}  // namespace

std::string FileUri(const std::string& path) {
    std::string uri = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-._~", c)) {
            uri += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            uri += escaped;
        }
    }
    return uri;
}

DropOutcome DropFile(unsigned long window, int x, int y, const std::string& path, std::chrono::milliseconds timeout) {
    DropOutcome outcome;
    // A connection of its own: the drag's events must not land in another
    // helper's queue.
    const std::unique_ptr<Display, int (*)(Display*)> connection(OpenXDisplay(), XCloseDisplay);
    Display* d = connection.get();
    if (!d) return outcome;
    const Atoms atoms(d);
    outcome.aware = Aware(d, atoms, window);
    if (!outcome.aware) return outcome;

    const Window root = DefaultRootWindow(d);
    int rootX = 0;
    int rootY = 0;
    Window child = 0;
    XTranslateCoordinates(d, window, root, x, y, &rootX, &rootY, &child);
    const Window source = XCreateSimpleWindow(d, root, -10, -10, 1, 1, 0, 0, 0);
    XSetSelectionOwner(d, atoms.selection, source, CurrentTime);
    const std::string uris = FileUri(path) + "\r\n";
    const auto deadline = std::chrono::steady_clock::now() + timeout;

    const long src = static_cast<long>(source);
    const long uriList = static_cast<long>(atoms.uriList);
    Send(d, window, atoms.enter, {src, kVersion << 24, uriList, 0, 0});
    Send(d, window, atoms.position,
         {src, 0, (static_cast<long>(rootX) << 16) | rootY, CurrentTime, static_cast<long>(atoms.copy)});
    XEvent event;
    bool dropped = false;
    while (!outcome.finished && NextEvent(d, event, deadline)) {
        if (event.type == SelectionRequest) {
            outcome.delivered = Answer(d, atoms, event.xselectionrequest, uris) || outcome.delivered;
        } else if (event.type == ClientMessage && event.xclient.message_type == atoms.status &&
                   static_cast<Window>(event.xclient.data.l[0]) == window && !dropped) {
            outcome.accepted = (event.xclient.data.l[1] & 1) != 0;
            if (!outcome.accepted) break;
            Send(d, window, atoms.drop, {src, 0, CurrentTime, 0, 0});
            dropped = true;
        } else if (event.type == ClientMessage && event.xclient.message_type == atoms.finished &&
                   static_cast<Window>(event.xclient.data.l[0]) == window) {
            outcome.finished = true;
        }
    }
    // A refused or unanswered drag is called off, so the window forgets it.
    if (!dropped) Send(d, window, atoms.leave, {src, 0, 0, 0, 0});
    XDestroyWindow(d, source);
    XFlush(d);
    return outcome;
}

}  // namespace e2e
