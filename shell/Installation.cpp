#include "shell/Installation.h"

namespace shell {

platform::InstallLayout Installation() {
    return {TESSERIN_INSTALL_PREFIX, TESSERIN_INSTALL_BINDIR, TESSERIN_INSTALL_DESKTOP_ENTRY};
}

std::string InstalledReadme(const std::string& prefix) {
    const std::string docdir = TESSERIN_INSTALL_DOCDIR;
    if (!docdir.empty() && docdir.front() == '/')
        return docdir + "/README.md";
    return (prefix == "/" ? std::string() : prefix) + "/" + docdir + "/README.md";
}

}  // namespace shell
