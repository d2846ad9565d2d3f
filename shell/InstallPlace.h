#pragma once
// Whether the running program is an installed copy, and under which prefix.
// An installed program's folder is shared, and may be the system's own
// (/usr/bin, which root can write): nothing of the user's belongs there.

#include <functional>
#include <optional>
#include <string>

namespace platform {

// How an installation is laid out: the prefix the build was configured for,
// and, relative to any prefix, the programs' folder and a file that only an
// installation puts there (the desktop entry). A build tree has no such file
// beside it.
struct InstallLayout {
    std::string prefix;  // e.g. "/usr/local"
    std::string bindir;  // e.g. "bin"; an absolute one is only ever itself
    std::string marker;  // e.g. "share/applications/game.desktop"
};

// The prefix of the installation whose programs' folder exeDir is, or none
// for a program run from anywhere else (a build tree, a copied program).
// exeDir is installed when it is the configured prefix's bindir, or
// "<p>/<bindir>" with "<p>/<marker>" present, for any prefix p: an
// installation to another prefix, staged under DESTDIR, or packaged.
// Paths compare as written, less "." parts, doubled and trailing "/";
// callers pass canonical paths.
std::optional<std::string> InstalledPrefix(const std::string& exeDir, const InstallLayout& layout,
                                           const std::function<bool(const std::string&)>& exists);

// The running program's folder, symbolic links resolved; empty when unknown.
std::string ExecutableDir();

// InstalledPrefix for the running program (whose folder is exeDir), with the
// configured prefix resolved and the file system asked.
std::optional<std::string> ThisInstalledPrefix(const InstallLayout& layout,
                                               const std::string& exeDir = ExecutableDir());

}  // namespace platform
