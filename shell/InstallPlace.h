#pragma once
// Whether the running program is an installed copy, under which prefix, and
// what follows from it: where its settings file lives and which README it
// opens. An installed program's folder is shared, and may be the system's own
// (/usr/games, which root can write): nothing of the user's belongs there.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace shell {

// How an installation is laid out: the prefix the build was configured for,
// and, relative to any prefix, the folders a program may be installed in and
// a file that only an installation puts there (the desktop entry). A build
// tree has no such file beside it.
struct InstallLayout {
    std::string prefix;                    // e.g. "/usr/local"
    std::vector<std::string> programDirs;  // e.g. "bin", "games"; an absolute one is only ever itself
    std::string marker;                    // e.g. "share/applications/game.desktop"
};

// The layout configured for this build: its programs' folder, and bin/ and
// games/ beside it, either of which a package may have chosen.
InstallLayout Installation();

// The prefix of the installation one of whose programs' folders exeDir is,
// or none for a program run from anywhere else (a build tree, a copied
// program). exeDir is installed when it is "<configured prefix>/<dir>", or
// "<p>/<dir>" with "<p>/<marker>" present, for any prefix p: an installation
// to another prefix, staged under DESTDIR, or packaged. Paths compare as
// written, less "." parts, doubled and trailing "/"; callers pass canonical
// paths.
std::optional<std::string> InstalledPrefix(const std::string& exeDir, const InstallLayout& layout,
                                           const std::function<bool(const std::string&)>& exists);

// The running program's folder, symbolic links resolved; empty when unknown.
std::string ExecutableDir();

// InstalledPrefix for the running program (whose folder is exeDir), with the
// configured prefix resolved and the file system asked.
std::optional<std::string> ThisInstalledPrefix(const InstallLayout& layout,
                                               const std::string& exeDir = ExecutableDir());

// The README of an installation under prefix.
std::string InstalledReadme(const std::string& prefix);

// Where the settings file named fileName lives: the program's folder when
// that folder is writable and the program is not an installed copy of the
// layout given, else $XDG_CONFIG_HOME/<folderName>/ (by default
// ~/.config/<folderName>/), created on demand.
std::string SettingsFilePath(const std::string& folderName, const std::string& fileName, const InstallLayout& layout);

// The testable core of SettingsFilePath. exeDir may end in "/" or not; an empty
// or unwritable exeDir falls back to xdgConfigHome, used only when it is an
// absolute path, else home + "/.config". Either may be null. An installed
// program's folder is never taken, even when writable and nothing else is
// known: the settings are then not kept (an empty path).
std::string ChooseSettingsPath(const std::string& exeDir, const std::string& folderName, const std::string& fileName,
                               const char* xdgConfigHome, const char* home, bool installed = false);

}  // namespace shell
