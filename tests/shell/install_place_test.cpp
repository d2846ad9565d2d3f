#include "platform/InstallPlace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace {

using platform::InstallLayout;
using platform::InstalledPrefix;

TEST(InstalledPrefix, TellsAnInstalledProgramFromABuildTreeOrACopy) {
    const InstallLayout usual{"/usr/local", "bin", "share/applications/game.desktop"};
    const InstallLayout deep{"/usr", "lib/game/bin", "share/x.desktop"};
    const InstallLayout absolute{"/usr", "/usr/games", "share/x.desktop"};
    const InstallLayout unmarked{"/usr", "bin", ""};
    // Files that exist on the imagined machine.
    const std::set<std::string> files{
        "/usr/share/applications/game.desktop",         // a package's
        "/opt/game/share/applications/game.desktop",    // installed with --prefix /opt/game
        "/tmp/stage/usr/share/applications/game.desktop",  // staged under DESTDIR
        "/share/applications/game.desktop",             // prefix "/"
        "/opt/share/x.desktop",
        "/opt",  // a folder: no marker
    };
    struct Case {
        std::string exeDir;
        std::optional<std::string> prefix;
        InstallLayout layout;
    };
    const Case cases[] = {
        // The configured place counts even before its desktop entry is there.
        {"/usr/local/bin", "/usr/local", usual},
        {"/usr/local/bin/", "/usr/local", usual},
        {"/usr//local/./bin", "/usr/local", usual},
        // Another prefix counts when its desktop entry stands beside the folder.
        {"/usr/bin", "/usr", usual},
        {"/opt/game/bin", "/opt/game", usual},
        {"/tmp/stage/usr/bin", "/tmp/stage/usr", usual},
        {"/bin", "/", usual},
        // A "bin" folder without the entry beside it: a program copied there.
        {"/home/me/bin", std::nullopt, usual},
        // The entry is there, but the folder is not the programs' folder.
        {"/usr/sbin", std::nullopt, usual},
        {"/usr", std::nullopt, usual},
        {"/opt/game/bin/sub", std::nullopt, usual},
        // Build trees, unknown and relative folders.
        {"/work/project/build/shell", std::nullopt, usual},
        {"/usr/local/build/bin", std::nullopt, usual},
        {"", std::nullopt, usual},
        {"usr/bin", std::nullopt, usual},
        // A deeper programs' folder.
        {"/usr/lib/game/bin", "/usr", deep},
        {"/opt/lib/game/bin", "/opt", deep},
        {"/opt/bin", std::nullopt, deep},
        // An absolute programs' folder is only ever itself.
        {"/usr/games", "/usr", absolute},
        {"/opt/usr/games", std::nullopt, absolute},
        // Without a marker only the configured place counts.
        {"/usr/bin", "/usr", unmarked},
        {"/opt/bin", std::nullopt, unmarked},
        // No usable layout at all.
        {"/usr/bin", std::nullopt, {"", "", ""}},
        {"/x/bin", std::nullopt, {"relative", "bin", "m"}},
    };
    auto exists = [&files](const std::string& path) { return files.count(path) > 0; };
    for (const Case& c : cases) {
        EXPECT_EQ(InstalledPrefix(c.exeDir, c.layout, exists), c.prefix)
            << c.layout.prefix << " " << c.layout.bindir << " " << c.exeDir;
    }
}

TEST(InstalledPrefix, TheTestProgramRunsFromItsBuildTree) {
    const std::string exeDir = platform::ExecutableDir();
    ASSERT_FALSE(exeDir.empty());
    EXPECT_TRUE(std::filesystem::is_directory(exeDir)) << exeDir;
    EXPECT_EQ(platform::ThisInstalledPrefix({"/usr", "bin", "share/applications/game.desktop"}), std::nullopt);
    // Its own folder, given as the configured one, is recognised.
    const std::filesystem::path dir(exeDir);
    EXPECT_EQ(platform::ThisInstalledPrefix({dir.parent_path().string(), dir.filename().string(), ""}),
              dir.parent_path().string());
}

}  // namespace
