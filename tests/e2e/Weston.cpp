#include "tests/e2e/Weston.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QString>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/e2e/XSession.h"

namespace e2e {

namespace {

std::string Tool(const char* variable, const char* fallback) {
    const char* path = std::getenv(variable);
    return path && *path ? path : fallback;
}

}  // namespace

Weston::Weston(Backend backend, int width, int height) {
    char pattern[] = "/tmp/tesserin-weston-XXXXXX";
    if (char* made = mkdtemp(pattern)) runtime_ = made;
    socket_ = "tesserin-" + std::to_string(getpid());
    std::vector<std::string> arguments = {
        Tool("TESSERIN_WESTON", "weston"),
        backend == Backend::Headless ? "--backend=headless-backend.so" : "--backend=x11-backend.so",
        "--socket=" + socket_,
        "--idle-time=0",
        "--no-config",
        "--use-pixman",
        "--width=" + std::to_string(width),
        "--height=" + std::to_string(height),
        "--log=" + runtime_ + "/weston.log",
    };
    // Its own clients (panel, keyboard) must not find another compositor.
    std::vector<std::pair<std::string, std::string>> environment = {{"XDG_RUNTIME_DIR", runtime_},
                                                                    {"WAYLAND_DISPLAY", ""}};
    if (backend == Backend::Headless) {
        // The screenshooter's protocol is only offered to debugging sessions.
        arguments.push_back("--debug");
        environment.emplace_back("DISPLAY", "");
    }
    pid_ = Spawn(arguments, environment);
}

Weston::~Weston() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        if (!WaitFor([&] { return waitpid(pid_, nullptr, WNOHANG) != 0; }, std::chrono::seconds(10))) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    std::error_code ec;
    if (!runtime_.empty()) std::filesystem::remove_all(runtime_, ec);
}

bool Weston::WaitReady(std::chrono::milliseconds timeout) {
    // The socket is bound before the shell's own clients start; once the
    // panel has drawn, the log says the shell is up.
    return !runtime_.empty() && pid_ > 0 &&
           WaitFor(
               [&] {
                   if (waitpid(pid_, nullptr, WNOHANG) != 0) {
                       pid_ = -1;
                       return true;
                   }
                   return std::filesystem::exists(runtime_ + "/" + socket_) &&
                          Log().find("launching '") != std::string::npos;
               },
               timeout) &&
           pid_ > 0;
}

std::vector<std::pair<std::string, std::string>> Weston::ClientEnvironment() const {
    return {{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", socket_}, {"XDG_RUNTIME_DIR", runtime_}};
}

std::string Weston::Log() const { return ReadFile(runtime_ + "/weston.log"); }

std::optional<QImage> Weston::Screenshot() const {
    // The screenshooter names its file by the time; a folder of its own
    // makes it the only one there.
    const std::string folder = runtime_ + "/shot";
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directory(folder, ec);
    if (!Capture("cd " + Quote(folder) + " && XDG_RUNTIME_DIR=" + Quote(runtime_) + " WAYLAND_DISPLAY=" +
                 Quote(socket_) + " " + Quote(Tool("TESSERIN_WESTON_SCREENSHOOTER", "weston-screenshooter"))))
        return std::nullopt;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        QImage image(QString::fromStdString(entry.path().string()));
        if (!image.isNull()) return image.convertToFormat(QImage::Format_RGB32);
    }
    return std::nullopt;
}

std::optional<unsigned long> Weston::XWindow(std::chrono::milliseconds timeout) const {
    // Its title is no WM_NAME xdotool reads; its class is.
    return SearchWindow("--class '^Weston Compositor$'", timeout);
}

std::string FirstNonProtocolLine(const std::string& output) {
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.front() != '[') return line;
    }
    return "";
}

}  // namespace e2e
