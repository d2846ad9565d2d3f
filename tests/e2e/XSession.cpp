#include "tests/e2e/XSession.h"

// Qt (in the header) before Xlib: Xlib's macros break Qt's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace e2e {

namespace {

std::vector<unsigned long> ParseIds(const std::string& text) {
    std::vector<unsigned long> ids;
    std::istringstream in(text);
    unsigned long id = 0;
    while (in >> id) ids.push_back(id);
    return ids;
}

int IgnoreError(Display*, XErrorEvent*) { return 0; }

bool Run(const std::string& command) { return Capture(command).has_value(); }

}  // namespace

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::pair<std::string, std::string>>& environment,
            const std::string& outputFile) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    std::vector<char*> args;
    for (const std::string& argument : argv) args.push_back(const_cast<char*>(argument.c_str()));
    args.push_back(nullptr);
    for (const auto& [name, value] : environment) {
        if (value.empty())
            unsetenv(name.c_str());
        else
            setenv(name.c_str(), value.c_str(), 1);
    }
    if (!outputFile.empty()) {
        int fd = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
        }
    }
    execvp(args[0], args.data());
    _exit(127);
}

Display* OpenXDisplay() {
    XSetErrorHandler(IgnoreError);
    return XOpenDisplay(nullptr);
}

Display* SharedXDisplay() {
    static Display* display = OpenXDisplay();
    return display;
}

std::optional<std::string> Capture(const std::string& command) {
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return std::nullopt;
    std::string output;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    int status = pclose(pipe);
    if (status != 0) return std::nullopt;
    return output;
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Program::Program(const std::string& executable) {
    char pattern[] = "/tmp/tesserin-e2e-XXXXXX";
    if (char* made = mkdtemp(pattern)) folder_ = made;
    executable_ = folder_ + "/tesserin";
    std::filesystem::copy_file(executable, executable_);
}

Program::~Program() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::error_code ec;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
}

void Program::WriteSettings(const std::string& text) const { std::ofstream(SettingsPath(), std::ios::binary) << text; }

std::string Program::ReadSettings() const { return ReadFile(SettingsPath()); }

void Program::Start(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {executable_};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto environment = environment_;
    environment.insert(environment.begin(), {"QT_QPA_PLATFORM", "xcb"});
    pid_ = Spawn(argv, environment, outputFile_);
}

bool Program::Running() {
    if (pid_ <= 0) return false;
    return waitpid(pid_, nullptr, WNOHANG) == 0;
}

bool Program::WaitForExit(std::chrono::milliseconds timeout, int* status) {
    if (pid_ <= 0) return true;
    int result = 0;
    bool ended = WaitFor(
        [&] {
            pid_t done = waitpid(pid_, &result, WNOHANG);
            return done == pid_;
        },
        timeout);
    if (ended) {
        pid_ = -1;
        if (status) *status = result;
    }
    return ended;
}

std::vector<unsigned long> Program::Windows() {
    // --all: xdotool otherwise takes windows that match the pid OR the name.
    auto ids = Capture("xdotool search --all --onlyvisible --pid " + std::to_string(pid_) + " --name ''");
    return ids ? ParseIds(*ids) : std::vector<unsigned long>{};
}

std::vector<unsigned long> Program::WindowsTitled(const std::string& title) {
    std::vector<unsigned long> titled;
    for (unsigned long id : Windows()) {
        if (WindowTitle(id) == title) titled.push_back(id);
    }
    return titled;
}

std::optional<unsigned long> Program::FindMainWindow(std::chrono::milliseconds timeout) {
    const std::string suffix = " - tesserin";
    return WaitForValue(
        [&]() -> std::optional<unsigned long> {
            for (unsigned long id : Windows()) {
                const std::string title = WindowTitle(id);
                if (title.size() > suffix.size() && title.ends_with(suffix)) return id;
            }
            return std::nullopt;
        },
        timeout);
}

std::optional<unsigned long> Program::FindPopup(unsigned long mainWindow, std::chrono::milliseconds timeout) {
    return WaitForValue(
        [&]() -> std::optional<unsigned long> {
            auto main = WindowGeometry(mainWindow);
            for (unsigned long id : main ? Windows() : std::vector<unsigned long>{}) {
                auto geometry = WindowGeometry(id);
                // A menu opens below the main window's top edge, starting within its width.
                // Tooltips are narrower than any menu.
                if (id != mainWindow && geometry && geometry->y > main->y && geometry->x >= main->x &&
                    geometry->x < main->x + main->width && geometry->width >= 100)
                    return id;
            }
            return std::nullopt;
        },
        timeout);
}

std::optional<unsigned long> Program::FindWindowTitled(const std::string& title, std::chrono::milliseconds timeout) {
    return WaitForValue(
        [&]() -> std::optional<unsigned long> {
            auto titled = WindowsTitled(title);
            return titled.empty() ? std::nullopt : std::optional(titled.front());
        },
        timeout);
}

std::optional<unsigned long> SearchWindow(const std::string& criteria, std::chrono::milliseconds timeout) {
    return WaitForValue(
        [&]() -> std::optional<unsigned long> {
            auto ids = Capture("xdotool search --onlyvisible " + criteria);
            unsigned long id = 0;
            if (ids && std::istringstream(*ids) >> id) return id;
            return std::nullopt;
        },
        timeout);
}

std::optional<Geometry> WindowGeometry(unsigned long window) {
    Display* display = SharedXDisplay();
    if (!display) return std::nullopt;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) return std::nullopt;
    int x = 0;
    int y = 0;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    return Geometry{x, y, attributes.width, attributes.height};
}

std::string WindowTitle(unsigned long window) {
    auto name = Capture("xdotool getwindowname " + std::to_string(window));
    if (!name) return {};
    while (!name->empty() && name->back() == '\n') name->pop_back();
    return *name;
}

namespace {
bool PointerAt(int x, int y) {
    Display* display = SharedXDisplay();
    if (!display) return false;
    Window root;
    Window child;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned int buttons = 0;
    return XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &windowX, &windowY,
                         &buttons) &&
           rootX == x && rootY == y;
}
}  // namespace

bool ClickAt(unsigned long window, int x, int y) {
    // xdotool's --sync waits for a motion, and there is none when the pointer
    // is already there: it would give up only after many seconds.
    auto geometry = WindowGeometry(window);
    const bool there = geometry && PointerAt(geometry->x + x, geometry->y + y);
    return Run(std::string("xdotool mousemove ") + (there ? "" : "--sync ") + "--window " + std::to_string(window) +
               " " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

bool MoveWindow(unsigned long window, int x, int y) {
    return Run("xdotool windowmove --sync " + std::to_string(window) + " " + std::to_string(x) + " " +
               std::to_string(y));
}

bool ResizeWindow(unsigned long window, int width, int height) {
    return Run("xdotool windowsize --sync " + std::to_string(window) + " " + std::to_string(width) + " " +
               std::to_string(height));
}

bool FocusWindow(unsigned long window) { return Run("xdotool windowfocus --sync " + std::to_string(window)); }

bool TypeText(const std::string& text) {
    // A short pause between keys: characters outside the keymap get a key
    // mapped for them one at a time, and the program must see each mapping.
    return Run("xdotool type --delay 30 -- " + Quote(text));
}

bool PressKeys(const std::string& keys) { return Run("xdotool key --delay 50 " + keys); }

namespace {
QImage Grab(unsigned long window, int x, int y, int width, int height) {
    Display* display = SharedXDisplay();
    if (!display) return {};
    XImage* image = XGetImage(display, window, x, y, width, height, AllPlanes, ZPixmap);
    if (!image) return {};
    QImage result(width, height, QImage::Format_RGB32);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            unsigned long value = XGetPixel(image, column, row);
            result.setPixel(
                column, row,
                qRgb(static_cast<int>((value & image->red_mask) >> 16),
                     static_cast<int>((value & image->green_mask) >> 8), static_cast<int>(value & image->blue_mask)));
        }
    }
    XDestroyImage(image);
    return result;
}
}  // namespace

std::optional<Pixel> PixelAt(unsigned long window, int x, int y) {
    return WindowImage(Grab(window, x, y, 1, 1)).At(0, 0);
}

std::optional<Pixel> WindowImage::At(int x, int y) const {
    if (!image_.rect().contains(x, y)) return std::nullopt;
    const QRgb value = image_.pixel(x, y);
    return Pixel{qRed(value), qGreen(value), qBlue(value)};
}

QImage GrabWindowQImage(unsigned long window) {
    auto geometry = WindowGeometry(window);
    return geometry ? Grab(window, 0, 0, geometry->width, geometry->height) : QImage();
}

std::optional<WindowImage> GrabWindow(unsigned long window) {
    QImage image = GrabWindowQImage(window);
    if (image.isNull()) return std::nullopt;
    return WindowImage(std::move(image));
}

bool SaveWindow(unsigned long window, const std::string& path) {
    QImage image = GrabWindowQImage(window);
    return !image.isNull() && image.save(QString::fromStdString(path));
}

std::optional<std::string> IniValue(const std::string& text, const std::string& section, const std::string& key) {
    auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    std::istringstream in(text);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') {
            inSection = lower(line) == "[" + lower(section) + "]";
            continue;
        }
        auto equals = line.find('=');
        if (inSection && equals != std::string::npos && lower(line.substr(0, equals)) == lower(key))
            return line.substr(equals + 1);
    }
    return std::nullopt;
}

}  // namespace e2e
