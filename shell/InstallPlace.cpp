#include "shell/InstallPlace.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace shell {

namespace fs = std::filesystem;

namespace {

// "/usr//local/./bin/" -> "/usr/local/bin"; "/" stays "/".
std::string Normal(const std::string& path) {
    if (path.empty()) return path;
    std::string normal = fs::path(path).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    return normal;
}

std::string Join(const std::string& dir, const std::string& name) {
    if (name.empty()) return dir;
    return Normal(dir + "/" + name);
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }
bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

// InstalledPrefix for one programs' folder.
std::optional<std::string> PrefixFor(const std::string& dir, const std::string& programDir, const InstallLayout& layout,
                                     const std::function<bool(const std::string&)>& exists) {
    const std::string bindir = Normal(programDir);
    if (bindir.empty()) return std::nullopt;
    if (IsAbsolute(bindir)) return dir == bindir ? std::optional<std::string>(Normal(layout.prefix)) : std::nullopt;

    if (IsAbsolute(layout.prefix) && dir == Join(Normal(layout.prefix), bindir)) return Normal(layout.prefix);

    // Any other prefix: the folder must end in "/<bindir>" and the marker
    // must stand beside it.
    const std::string suffix = "/" + bindir;
    if (layout.marker.empty() || dir.size() < suffix.size() || !dir.ends_with(suffix)) return std::nullopt;
    const std::string prefix =
        dir.size() == suffix.size() ? std::string(1, '/') : dir.substr(0, dir.size() - suffix.size());
    if (!exists(Join(prefix, layout.marker))) return std::nullopt;
    return prefix;
}

bool IsWritableDir(const std::string& dir) {
    // Tried, not asked: access() says yes to root even on read-only mounts.
    std::string probe = dir + "/.settings-probe-XXXXXX";
    int fd = ::mkstemp(probe.data());
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

// mkdir -p, each new folder private to the user as the XDG layout asks.
bool MakeDirs(const std::string& dir) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    size_t slash = dir.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirs(dir.substr(0, slash))) return false;
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string StripTrailingSlashes(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

std::string FileIn(const std::string& dir, const std::string& name) {
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

}  // namespace

InstallLayout Installation() {
    InstallLayout layout{TESSERIN_INSTALL_PREFIX, {TESSERIN_INSTALL_PROGRAMDIR}, TESSERIN_INSTALL_DESKTOP_ENTRY};
    for (const char* other : {TESSERIN_INSTALL_BINDIR, TESSERIN_INSTALL_GAMESDIR}) {
        if (std::find(layout.programDirs.begin(), layout.programDirs.end(), other) == layout.programDirs.end())
            layout.programDirs.emplace_back(other);
    }
    return layout;
}

std::optional<std::string> InstalledPrefix(const std::string& exeDir, const InstallLayout& layout,
                                           const std::function<bool(const std::string&)>& exists) {
    const std::string dir = Normal(exeDir);
    if (!IsAbsolute(dir)) return std::nullopt;
    for (const std::string& programDir : layout.programDirs) {
        if (std::optional<std::string> prefix = PrefixFor(dir, programDir, layout, exists)) return prefix;
    }
    return std::nullopt;
}

std::string ExecutableDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || !exe.is_absolute()) return {};
    return exe.parent_path().string();
}

std::optional<std::string> ThisInstalledPrefix(const InstallLayout& layout, const std::string& exeDir) {
    if (exeDir.empty()) return std::nullopt;
    InstallLayout resolved = layout;
    std::error_code ec;
    // The configured prefix may pass through a symbolic link (/usr/local -> /opt/local).
    if (IsAbsolute(layout.prefix)) {
        fs::path canonical = fs::weakly_canonical(layout.prefix, ec);
        if (!ec) resolved.prefix = canonical.string();
    }
    return InstalledPrefix(exeDir, resolved, [](const std::string& path) {
        std::error_code missing;
        return fs::is_regular_file(path, missing);
    });
}

std::string InstalledReadme(const std::string& prefix) {
    const std::string docdir = TESSERIN_INSTALL_DOCDIR;
    if (!docdir.empty() && docdir.front() == '/') return docdir + "/README.md";
    return (prefix == "/" ? std::string() : prefix) + "/" + docdir + "/README.md";
}

std::string ChooseSettingsPath(const std::string& exeDir, const std::string& folderName, const std::string& fileName,
                               const char* xdgConfigHome, const char* home, bool installed) {
    if (!exeDir.empty() && !installed) {
        std::string dir = StripTrailingSlashes(exeDir);
        if (IsWritableDir(dir)) return FileIn(dir, fileName);
    }
    std::string configHome;
    if (IsAbsolute(xdgConfigHome))
        configHome = StripTrailingSlashes(xdgConfigHome);
    else if (IsAbsolute(home))
        configHome = StripTrailingSlashes(std::string(home)) + "/.config";
    else if (installed)
        return {};
    else if (!exeDir.empty())
        return FileIn(StripTrailingSlashes(exeDir), fileName);  // nowhere better: reads give defaults
    else
        return fileName;
    std::string dir = FileIn(configHome, folderName);
    MakeDirs(dir);  // a failure shows later as a write that returns false
    return FileIn(dir, fileName);
}

std::string SettingsFilePath(const std::string& folderName, const std::string& fileName, const InstallLayout& layout) {
    const std::string exeDir = ExecutableDir();
    const bool installed = ThisInstalledPrefix(layout, exeDir).has_value();
    const char* home = std::getenv("HOME");
    if (!IsAbsolute(home)) {
        if (const passwd* pw = ::getpwuid(::getuid())) home = pw->pw_dir;
    }
    return ChooseSettingsPath(exeDir, folderName, fileName, std::getenv("XDG_CONFIG_HOME"), home, installed);
}

}  // namespace shell
