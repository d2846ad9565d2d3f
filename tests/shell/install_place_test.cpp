#include "shell/InstallPlace.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/Profile.h"

namespace {

namespace fs = std::filesystem;
using shell::InstalledPrefix;
using shell::InstallLayout;

TEST(InstalledPrefix, TellsAnInstalledProgramFromABuildTreeOrACopy) {
    const InstallLayout usual{"/usr/local", {"bin", "games"}, "share/applications/game.desktop"};
    const InstallLayout deep{"/usr", {"lib/game/bin"}, "share/x.desktop"};
    const InstallLayout absolute{"/usr", {"/usr/games"}, "share/x.desktop"};
    const InstallLayout unmarked{"/usr", {"bin"}, ""};
    // Files that exist on the imagined machine.
    const std::set<std::string> files{
        "/usr/share/applications/game.desktop",            // a package's
        "/opt/game/share/applications/game.desktop",       // installed with --prefix /opt/game
        "/tmp/stage/usr/share/applications/game.desktop",  // staged under DESTDIR
        "/share/applications/game.desktop",                // prefix "/"
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
        // A games folder counts exactly as a programs' folder does.
        {"/usr/local/games", "/usr/local", usual},
        {"/usr/games", "/usr", usual},
        {"/tmp/stage/usr/games", "/tmp/stage/usr", usual},
        {"/home/me/games", std::nullopt, usual},
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
        {"/usr/bin", std::nullopt, {"", {""}, ""}},
        {"/x/bin", std::nullopt, {"relative", {"bin"}, "m"}},
    };
    auto exists = [&files](const std::string& path) { return files.count(path) > 0; };
    for (const Case& c : cases) {
        EXPECT_EQ(InstalledPrefix(c.exeDir, c.layout, exists), c.prefix)
            << c.layout.prefix << " " << c.layout.programDirs.front() << " " << c.exeDir;
    }
}

TEST(InstalledPrefix, TheTestProgramRunsFromItsBuildTree) {
    const std::string exeDir = shell::ExecutableDir();
    ASSERT_FALSE(exeDir.empty());
    EXPECT_TRUE(std::filesystem::is_directory(exeDir)) << exeDir;
    EXPECT_EQ(shell::ThisInstalledPrefix({"/usr", {"bin", "games"}, "share/applications/game.desktop"}), std::nullopt);
    // Its own folder, given as the configured one, is recognised.
    const std::filesystem::path dir(exeDir);
    EXPECT_EQ(shell::ThisInstalledPrefix({dir.parent_path().string(), {"bin", dir.filename().string()}, ""}),
              dir.parent_path().string());
}

// A scratch folder standing for the program's own.
class SettingsPlace : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tesserin-place-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    static void Put(const std::string& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
        return names;
    }

    std::string dir;
};

// An installation this test program is no part of.
const shell::InstallLayout kNotHere{"/usr/local", {"bin", "games"}, "share/applications/tesserin-test.desktop"};

TEST_F(SettingsPlace, SettingsLiveBesideAWritableExecutable) {
    EXPECT_EQ(shell::ChooseSettingsPath(dir, "tesserin", "tesserin.ini", "/xdg", "/home/u"), dir + "/tesserin.ini");
    EXPECT_EQ(shell::ChooseSettingsPath(dir + "/", "tesserin", "tesserin.ini", nullptr, nullptr),
              dir + "/tesserin.ini");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{});  // the probe cleans up

    // The test program's own folder is writable here (the build folder).
    char self[4096];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    fs::path exe(std::string(self, static_cast<size_t>(n)));
    std::string chosen = shell::SettingsFilePath("tesserin", "tesserin.ini", kNotHere);
    if (::access(exe.parent_path().c_str(), W_OK) == 0)
        EXPECT_EQ(chosen, (exe.parent_path() / "tesserin.ini").string());
    else
        EXPECT_TRUE(chosen.ends_with("/tesserin/tesserin.ini")) << chosen;
}

TEST_F(SettingsPlace, UnwritableExecutableFolderFallsBackToTheConfigFolder) {
    const std::string xdg = dir + "/xdg";
    const std::string home = dir + "/home";
    for (const std::string& exeDir : std::vector<std::string>{"/proc/self/", "/proc", dir + "/no/such/dir/", ""}) {
        SCOPED_TRACE(exeDir);
        fs::remove_all(xdg);
        fs::remove_all(home);

        // $XDG_CONFIG_HOME, its tesserin folder made on demand (with parents).
        EXPECT_EQ(shell::ChooseSettingsPath(exeDir, "tesserin", "tesserin.ini", xdg.c_str(), home.c_str()),
                  xdg + "/tesserin/tesserin.ini");
        EXPECT_TRUE(fs::is_directory(xdg + "/tesserin"));

        // Unset, empty or relative: ~/.config.
        for (const char* bad : {static_cast<const char*>(nullptr), "", "relative/config"}) {
            EXPECT_EQ(shell::ChooseSettingsPath(exeDir, "tesserin", "tesserin.ini", bad, home.c_str()),
                      home + "/.config/tesserin/tesserin.ini");
        }
        EXPECT_TRUE(fs::is_directory(home + "/.config/tesserin"));
        EXPECT_EQ(fs::status(home + "/.config/tesserin").permissions() & fs::perms::group_all, fs::perms::none);
    }
    // The folder just chosen takes writes.
    platform::ProfileFile profile(shell::ChooseSettingsPath("/proc", "tesserin", "tesserin.ini", xdg.c_str(), nullptr));
    EXPECT_TRUE(profile.WriteProfileInt("Settings", "left", 1));
    EXPECT_EQ(platform::ProfileFile(xdg + "/tesserin/tesserin.ini").GetProfileInt("Settings", "left", 0), 1);
}

TEST_F(SettingsPlace, TheConfigFolderIsNamedByTheCaller) {
    struct Case {
        std::string folderName, fileName, expected;
    };
    const std::string xdg = dir + "/xdg";
    for (const Case& c : {Case{"another-game", "game.ini", xdg + "/another-game/game.ini"},
                          Case{"パズル", "設定.ini", xdg + "/パズル/設定.ini"}}) {
        EXPECT_EQ(shell::ChooseSettingsPath("/proc", c.folderName, c.fileName, xdg.c_str(), nullptr), c.expected);
        EXPECT_TRUE(platform::ProfileFile(c.expected).WriteProfileInt("Settings", "left", 1)) << c.expected;
    }
    EXPECT_FALSE(fs::exists(xdg + "/tesserin"));
}

TEST_F(SettingsPlace, ConfigFolderThatCannotBeMadeStillGivesAPath) {
    Put(dir + "/file", "x");  // a file where a folder should go
    const std::string xdg = dir + "/file";
    std::string chosen = shell::ChooseSettingsPath("/proc", "tesserin", "tesserin.ini", xdg.c_str(), nullptr);
    EXPECT_EQ(chosen, xdg + "/tesserin/tesserin.ini");
    platform::ProfileFile profile(chosen);
    EXPECT_EQ(profile.GetProfileInt("Settings", "left", 200), 200);
    EXPECT_FALSE(profile.WriteProfileInt("Settings", "left", 1));
    // Nothing usable at all: the executable's folder, where writes fail and reads give defaults.
    EXPECT_EQ(shell::ChooseSettingsPath("/proc/", "tesserin", "tesserin.ini", nullptr, nullptr), "/proc/tesserin.ini");
}

TEST_F(SettingsPlace, AnInstalledProgramNeverKeepsSettingsInItsOwnFolder) {
    // dir is writable, as /usr/bin is for root: installed, it is passed over,
    // even when no absolute config folder is known.
    const std::string xdg = dir + "/xdg";
    const std::string home = dir + "/home";
    EXPECT_EQ(shell::ChooseSettingsPath(dir, "tesserin", "tesserin.ini", xdg.c_str(), home.c_str(), true),
              xdg + "/tesserin/tesserin.ini");
    EXPECT_EQ(shell::ChooseSettingsPath(dir, "tesserin", "tesserin.ini", nullptr, nullptr, true), "");
    EXPECT_EQ(shell::ChooseSettingsPath(dir, "tesserin", "tesserin.ini", "", "relative", true), "");
    EXPECT_FALSE(fs::exists(dir + "/tesserin.ini"));
    // Nothing kept: reads give defaults, writes are refused.
    platform::ProfileFile nowhere("");
    EXPECT_EQ(nowhere.GetProfileInt("Settings", "left", 200), 200);
    EXPECT_FALSE(nowhere.WriteProfileInt("Settings", "left", 1));
}

}  // namespace
