#pragma once
// Driving the real program on the X display the test runs on: starting it
// from a private copy of its folder, finding its windows, clicking with
// xdotool and reading the pixels the server shows.

#include <sys/types.h>

#include <QImage>
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct _XDisplay;  // Xlib's Display, without Xlib's macros

namespace e2e {

struct Geometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct Pixel {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Pixel&) const = default;
};

// Runs a shell command; its standard output, or nothing when it failed.
std::optional<std::string> Capture(const std::string& command);
// text as one word of a shell command.
std::string Quote(const std::string& text);
// The whole file, or "" when there is none.
std::string ReadFile(const std::string& path);

// Polls until ready() or the timeout passes; true when ready.
template <typename Ready>
bool WaitFor(Ready ready, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        if (ready()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        struct timespec pause {
            0, 20 * 1000 * 1000
        };
        nanosleep(&pause, nullptr);
    }
}

// Polls until get() gives a value or the timeout passes; the last answer.
template <typename Get>
auto WaitForValue(Get get, std::chrono::milliseconds timeout) -> decltype(get()) {
    decltype(get()) value;
    WaitFor([&] { return (value = get()).has_value(); }, timeout);
    return value;
}

// Starts argv[0] with the variables set over this process's own (an empty
// value removes one) and, unless outputFile is "", its standard output and
// error appended to that file; the child's id.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::pair<std::string, std::string>>& environment,
            const std::string& outputFile = "");

// A new connection to the X display. Xlib's errors are ignored: a window
// may go away between two requests (a dialog closing), and the request then
// just fails, instead of Xlib's default handler ending the test.
_XDisplay* OpenXDisplay();
// The connection the helpers here share.
_XDisplay* SharedXDisplay();

class Program {
public:
    // Copies the executable into a new temporary folder, so the settings file
    // it writes beside itself is this test's alone.
    explicit Program(const std::string& executable);
    ~Program();

    const std::string& Folder() const { return folder_; }
    std::string SettingsPath() const { return folder_ + "/tesserin.ini"; }
    void WriteSettings(const std::string& text) const;
    std::string ReadSettings() const;  // "" when there is none

    // Variables the next starts set over the X defaults, and a file their
    // standard output and error go to ("": the test's own).
    void SetEnvironment(std::vector<std::pair<std::string, std::string>> variables) {
        environment_ = std::move(variables);
    }
    void SetOutputFile(std::string path) { outputFile_ = std::move(path); }

    void Start(const std::vector<std::string>& arguments = {});
    // True once the process has ended; its exit status goes to *status.
    bool WaitForExit(std::chrono::milliseconds timeout, int* status);
    bool Running();

    // The program's visible windows, and those among them titled exactly title.
    std::vector<unsigned long> Windows();
    std::vector<unsigned long> WindowsTitled(const std::string& title);

    // The visible top-level window whose title ends in " - tesserin".
    std::optional<unsigned long> FindMainWindow(std::chrono::milliseconds timeout);
    // A visible window of the program other than the main window: an open
    // popup menu.
    std::optional<unsigned long> FindPopup(unsigned long mainWindow, std::chrono::milliseconds timeout);
    // A visible window of the program titled exactly title: a dialog or a message box.
    std::optional<unsigned long> FindWindowTitled(const std::string& title, std::chrono::milliseconds timeout);

private:
    std::string folder_;
    std::string executable_;
    std::vector<std::pair<std::string, std::string>> environment_;
    std::string outputFile_;
    pid_t pid_ = -1;
};

// The first visible window xdotool's search finds by criteria ("--name 'x'").
std::optional<unsigned long> SearchWindow(const std::string& criteria, std::chrono::milliseconds timeout);

std::optional<Geometry> WindowGeometry(unsigned long window);
std::string WindowTitle(unsigned long window);
// Moves the pointer to (x, y) of the window and clicks the left button.
bool ClickAt(unsigned long window, int x, int y);
bool MoveWindow(unsigned long window, int x, int y);
bool ResizeWindow(unsigned long window, int width, int height);

// Keyboard input goes to the window that has the focus: give it to window.
bool FocusWindow(unsigned long window);
// Types text into the focused window, as the keyboard would.
bool TypeText(const std::string& text);
// Presses keys by their X names ("Return", "ctrl+c"), one after the other.
bool PressKeys(const std::string& keys);

// The pixel at (x, y) of the window as the server shows it.
std::optional<Pixel> PixelAt(unsigned long window, int x, int y);

// All of a window's pixels at one moment, so that checks agree with each other.
class WindowImage {
public:
    explicit WindowImage(QImage image) : image_(std::move(image)) {}
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    // Nothing outside the image.
    std::optional<Pixel> At(int x, int y) const;

private:
    QImage image_;
};
std::optional<WindowImage> GrabWindow(unsigned long window);
// The same as a QImage in RGB32; a null image when the window is gone.
QImage GrabWindowQImage(unsigned long window);
// Saves the window as a PNG, for looking at a failure.
bool SaveWindow(unsigned long window, const std::string& path);

// Value of key in section of an INI text, or nothing when absent.
std::optional<std::string> IniValue(const std::string& text, const std::string& section, const std::string& key);

}  // namespace e2e
