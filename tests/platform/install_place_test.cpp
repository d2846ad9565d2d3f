#include "platform/InstallPlace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace {

using platform::InstallLayout;
using platform::InstalledPrefix;

TEST(InstalledPrefix, TellsAnInstalledProgramFromABuildTreeOrACopy) {
    const InstallLayout layout{"/usr/local", "bin", "share/applications/game.desktop"};
    // Files that exist on the imagined machine.
    const std::set<std::string> files{
        "/usr/share/applications/game.desktop",         // a package's
        "/opt/game/share/applications/game.desktop",    // installed with --prefix /opt/game
        "/tmp/stage/usr/share/applications/game.desktop",  // staged under DESTDIR
        "/share/applications/game.desktop",             // prefix "/"
    };
    struct Case {
        std::string exeDir;
        std::optional<std::string> prefix;
    };
    const Case cases[] = {
        // The configured place counts even before its desktop entry is there.
        {"/usr/local/bin", "/usr/local"},
        {"/usr/local/bin/", "/usr/local"},
        {"/usr//local/./bin", "/usr/local"},
        // Another prefix counts when its desktop entry stands beside the folder.
        {"/usr/bin", "/usr"},
        {"/opt/game/bin", "/opt/game"},
        {"/tmp/stage/usr/bin", "/tmp/stage/usr"},
        {"/bin", "/"},
        // A "bin" folder without the entry beside it: a program copied there.
        {"/home/me/bin", std::nullopt},
        {"/opt/other/bin", std::nullopt},
        // The entry is there, but the folder is not the programs' folder.
        {"/usr/sbin", std::nullopt},
        {"/usr/games", std::nullopt},
        {"/usr", std::nullopt},
        {"/opt/game/bin/sub", std::nullopt},
        // Build trees, unknown and relative folders.
        {"/work/project/build/shell", std::nullopt},
        {"/usr/local/build/bin", std::nullopt},
        {"", std::nullopt},
        {"usr/bin", std::nullopt},
    };
    auto exists = [&files](const std::string& path) { return files.count(path) > 0; };
    for (const Case& c : cases)
        EXPECT_EQ(InstalledPrefix(c.exeDir, layout, exists), c.prefix) << c.exeDir;
}

TEST(InstalledPrefix, LayoutsOtherThanTheUsualOne) {
    auto none = [](const std::string&) { return false; };
    auto any = [](const std::string&) { return true; };
    struct Case {
        InstallLayout layout;
        std::string exeDir;
        bool markerPresent;
        std::optional<std::string> prefix;
    };
    const Case cases[] = {
        // A deeper programs' folder.
        {{"/usr", "lib/game/bin", "share/x.desktop"}, "/usr/lib/game/bin", false, "/usr"},
        {{"/usr", "lib/game/bin", "share/x.desktop"}, "/opt/lib/game/bin", true, "/opt"},
        {{"/usr", "lib/game/bin", "share/x.desktop"}, "/opt/bin", true, std::nullopt},
        // An absolute programs' folder is only ever itself.
        {{"/usr", "/usr/games", "share/x.desktop"}, "/usr/games", false, "/usr"},
        {{"/usr", "/usr/games", "share/x.desktop"}, "/opt/usr/games", true, std::nullopt},
        // Without a marker only the configured place counts.
        {{"/usr", "bin", ""}, "/usr/bin", false, "/usr"},
        {{"/usr", "bin", ""}, "/opt/bin", true, std::nullopt},
        // No usable layout at all.
        {{"", "", ""}, "/usr/bin", true, std::nullopt},
        {{"relative", "bin", "m"}, "/x/bin", false, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InstalledPrefix(c.exeDir, c.layout, c.markerPresent ? any : none), c.prefix)
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
