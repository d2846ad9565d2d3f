#include "platform/InstallPlace.h"

#include <filesystem>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

// "/usr//local/./bin/" -> "/usr/local/bin"; "/" stays "/".
std::string Normal(const std::string& path) {
    if (path.empty())
        return path;
    std::string normal = fs::path(path).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/')
        normal.pop_back();
    return normal;
}

std::string Join(const std::string& dir, const std::string& name) {
    if (name.empty())
        return dir;
    return Normal(dir + "/" + name);
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

}  // namespace

std::optional<std::string> InstalledPrefix(const std::string& exeDir, const InstallLayout& layout,
                                           const std::function<bool(const std::string&)>& exists) {
    const std::string dir = Normal(exeDir);
    const std::string bindir = Normal(layout.bindir);
    if (!IsAbsolute(dir) || bindir.empty())
        return std::nullopt;
    if (IsAbsolute(bindir))
        return dir == bindir ? std::optional<std::string>(Normal(layout.prefix)) : std::nullopt;

    if (IsAbsolute(layout.prefix) && dir == Join(Normal(layout.prefix), bindir))
        return Normal(layout.prefix);

    // Any other prefix: the folder must end in "/<bindir>" and the marker
    // must stand beside it.
    const std::string suffix = "/" + bindir;
    if (layout.marker.empty() || dir.size() < suffix.size() || !dir.ends_with(suffix))
        return std::nullopt;
    const std::string prefix =
        dir.size() == suffix.size() ? std::string(1, '/') : dir.substr(0, dir.size() - suffix.size());
    if (!exists(Join(prefix, layout.marker)))
        return std::nullopt;
    return prefix;
}

std::string ExecutableDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || !exe.is_absolute())
        return {};
    return exe.parent_path().string();
}

std::optional<std::string> ThisInstalledPrefix(const InstallLayout& layout, const std::string& exeDir) {
    if (exeDir.empty())
        return std::nullopt;
    InstallLayout resolved = layout;
    std::error_code ec;
    // The configured prefix may pass through a symbolic link (/usr/local -> /opt/local).
    if (IsAbsolute(layout.prefix)) {
        fs::path canonical = fs::weakly_canonical(layout.prefix, ec);
        if (!ec)
            resolved.prefix = canonical.string();
    }
    return InstalledPrefix(exeDir, resolved, [](const std::string& path) {
        std::error_code missing;
        return fs::is_regular_file(path, missing);
    });
}

}  // namespace platform
