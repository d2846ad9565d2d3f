#include "tests/e2e/XDesktop.h"

// Qt (in XSession.h) before Xlib: Xlib's macros break Qt's headers.
#include "tests/e2e/XSession.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace e2e {

std::optional<unsigned long> FindWindowNamed(const std::string& pattern, std::chrono::milliseconds timeout) {
    return SearchWindow("--name " + Quote(pattern), timeout);
}

bool WindowVisible(unsigned long window) {
    Display* display = SharedXDisplay();
    XWindowAttributes attributes;
    return display && XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

bool TypeKeys(unsigned long window, const std::string& keys) {
    return Capture("xdotool windowfocus --sync " + std::to_string(window) + " key --clearmodifiers " + keys)
        .has_value();
}

bool MovePointer(unsigned long window, int x, int y) {
    return Capture("xdotool mousemove --sync --window " + std::to_string(window) + " " + std::to_string(x) + " " +
                   std::to_string(y))
        .has_value();
}

std::optional<CursorShot> CurrentCursor() {
    Display* display = SharedXDisplay();
    int event = 0, error = 0;
    if (!display || !XFixesQueryExtension(display, &event, &error)) return std::nullopt;
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (!image) return std::nullopt;
    CursorShot shot;
    shot.name = image->name ? image->name : "";
    shot.width = image->width;
    shot.height = image->height;
    shot.xhot = image->xhot;
    shot.yhot = image->yhot;
    shot.pixels.assign(image->pixels, image->pixels + image->width * image->height);
    XFree(image);
    return shot;
}

std::optional<CursorShot> FontCursor(unsigned int shape) {
    Display* display = SharedXDisplay();
    if (!display) return std::nullopt;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.cursor = XCreateFontCursor(display, shape);
    Window window = XCreateWindow(display, DefaultRootWindow(display), 0, 0, 40, 40, 0, CopyFromParent, InputOutput,
                                  CopyFromParent, CWOverrideRedirect | CWCursor, &attributes);
    XMapRaised(display, window);
    XSync(display, False);
    XWarpPointer(display, None, window, 0, 0, 0, 0, 20, 20);
    XSync(display, False);
    std::optional<CursorShot> shot;
    WaitFor([&] { return (shot = CurrentCursor()) && shot->width > 0; }, std::chrono::seconds(5));
    XDestroyWindow(display, window);
    XFreeCursor(display, attributes.cursor);
    XSync(display, False);
    return shot;
}

}  // namespace e2e
