#pragma once
// More of the X display for the end-to-end tests: windows found by title,
// keys typed into a window, the pointer moved, and the cursor the server
// shows (XFixes).

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// The first visible window whose title matches the regular expression.
std::optional<unsigned long> FindWindowNamed(const std::string& pattern, std::chrono::milliseconds timeout);
bool WindowVisible(unsigned long window);
// Gives the window the keyboard focus and types keys (xdotool key names).
bool TypeKeys(unsigned long window, const std::string& keys);
// Moves the pointer to (x, y) of the window, without clicking.
bool MovePointer(unsigned long window, int x, int y);

struct CursorShot {
    std::string name;  // the name a cursor theme gave it; empty for an unnamed cursor
    int width = 0;
    int height = 0;
    int xhot = 0;
    int yhot = 0;
    std::vector<unsigned long> pixels;
    bool SameImage(const CursorShot& other) const {
        return width == other.width && height == other.height && xhot == other.xhot && yhot == other.yhot &&
               pixels == other.pixels;
    }
};

// The cursor shown now.
std::optional<CursorShot> CurrentCursor();
// The cursor of the X cursor font with this shape (XC_hand2, XC_left_ptr),
// as the server shows it over a window of this test's own.
std::optional<CursorShot> FontCursor(unsigned int shape);

}  // namespace e2e
