#include "display/LockKeys.h"

#include <QGuiApplication>

#include <X11/XKBlib.h>
// Xlib's macros collide with Qt's names in later headers.
#undef Bool
#undef None
#undef Status

namespace display {

bool IsLockKeyOn(LockKey key) {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app) return false;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display()) return false;
    Display* display = x11->display();
    const char* name = key == LockKey::Caps ? "Caps Lock" : key == LockKey::Num ? "Num Lock" : "Scroll Lock";
    Atom atom = XInternAtom(display, name, True);
    if (atom == 0) return false;
    int state = 0;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &state, nullptr, nullptr)) return false;
    return state != 0;
}

}  // namespace display
