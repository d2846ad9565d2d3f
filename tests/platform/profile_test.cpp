#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;
using platform::ProfileFile;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tesserin-profile-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        path = dir + "/tesserin.ini";
    }
    void TearDown() override {
        // Give back write access first so the folder can be removed.
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, ec);
        for (auto& entry : fs::recursive_directory_iterator(dir, ec))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }

    void Put(const std::string& text) const { Put(path, text); }
    static void Put(const std::string& file, const std::string& text) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << text;
    }
    std::string Contents() const { return Contents(path); }
    static std::string Contents(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Only the settings file itself: no temporary file left behind.
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static bool IsRoot() { return ::geteuid() == 0; }

    std::string dir;
    std::string path;
};

TEST_F(ProfileTest, MissingFileGivesDefaultsAndFirstWriteCreatesAPlainIniFile) {
    ProfileFile profile(path);
    EXPECT_EQ(profile.Path(), path);
    EXPECT_EQ(profile.GetProfileInt("Settings", "left", 200), 200);
    EXPECT_EQ(profile.GetProfileString("Settings", "Image", "none"), "none");
    EXPECT_FALSE(fs::exists(path));  // reading never creates it

    ASSERT_TRUE(profile.WriteProfileInt("Settings", "left", 50));
    ASSERT_TRUE(profile.WriteProfileString("Settings", "Image", "/home/a/b.png"));
    EXPECT_EQ(Contents(), "[Settings]\nleft=50\nImage=/home/a/b.png\n");
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"tesserin.ini"});
}

TEST_F(ProfileTest, ValuesRoundTripByteForByte) {
    ProfileFile profile(path);
    const std::vector<std::string> values = {
        "",
        "/home/ユーザー/画像/パズル 1.png",
        "  two spaces before",
        "after\t",
        " both ",
        "\"quoted\"",
        "\" spaced quotes \"",
        "\"",
        "<<<END_OF_TEXT",
        ";not a comment",
        "#not a comment either",
        "a=b=c",
        "[Settings]",
        "\xE5\xFF\x81\\",  // bytes that are not UTF-8 stay as they are
    };
    for (size_t i = 0; i < values.size(); ++i) {
        std::string key = "k" + std::to_string(i);
        ASSERT_TRUE(profile.WriteProfileString("Settings", key, values[i])) << i;
    }
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(profile.GetProfileString("Settings", "k" + std::to_string(i), "?"), values[i]) << i;

    for (int v : {0, 1, -1, 300, -32768, INT_MAX, INT_MIN}) {
        ASSERT_TRUE(profile.WriteProfileInt("Settings", "n", v));
        EXPECT_EQ(profile.GetProfileInt("Settings", "n", 7), v);
    }
}

TEST_F(ProfileTest, IntegersParseTheLeadingDecimalNumber) {
    Put("[S]\n"
        "plain=123\n"
        "trailing=12abc\n"
        "negative=-45\n"
        "plus=+7\n"
        "spaced= 8 \n"
        "quotedspace=\"  9\"\n"
        "hex=0x1F\n"
        "letters=abc\n"
        "empty=\n"
        "sign=-\n"
        "huge=99999999999999999999999\n"
        "tiny=-99999999999999999999999\n"
        "max=2147483647\n"
        "min=-2147483648\n"
        "justover=2147483648\n"
        "decimal=3.9\n");
    ProfileFile profile(path);
    auto get = [&](const char* key) { return profile.GetProfileInt("S", key, -999); };
    EXPECT_EQ(get("plain"), 123);
    EXPECT_EQ(get("trailing"), 12);
    EXPECT_EQ(get("negative"), -45);
    EXPECT_EQ(get("plus"), 7);
    EXPECT_EQ(get("spaced"), 8);
    EXPECT_EQ(get("quotedspace"), 9);
    EXPECT_EQ(get("hex"), 0);
    EXPECT_EQ(get("decimal"), 3);
    // No digits at all: the caller's default, not 0.
    EXPECT_EQ(get("letters"), -999);
    EXPECT_EQ(get("empty"), -999);
    EXPECT_EQ(get("sign"), -999);
    // Out of range clamps.
    EXPECT_EQ(get("huge"), INT_MAX);
    EXPECT_EQ(get("tiny"), INT_MIN);
    EXPECT_EQ(get("max"), INT_MAX);
    EXPECT_EQ(get("min"), INT_MIN);
    EXPECT_EQ(get("justover"), INT_MAX);
    EXPECT_EQ(get("absent"), -999);
}

TEST_F(ProfileTest, SectionsAndKeysCompareCaseInsensitively) {
    ProfileFile profile(path);
    ASSERT_TRUE(profile.WriteProfileInt("Settings", "left", 10));
    EXPECT_EQ(profile.GetProfileInt("SETTINGS", "LEFT", 0), 10);
    EXPECT_EQ(profile.GetProfileInt("settings", "Left", 0), 10);

    // Writing under another spelling changes the one entry, keeping its spelling.
    ASSERT_TRUE(profile.WriteProfileInt("sEtTiNgS", "LEFT", 20));
    EXPECT_EQ(Contents(), "[Settings]\nleft=20\n");
    EXPECT_EQ(profile.GetProfileInt("Settings", "left", 0), 20);

    // Non-ASCII names are matched exactly.
    ASSERT_TRUE(profile.WriteProfileString("設定", "画像", "x"));
    EXPECT_EQ(profile.GetProfileString("設定", "画像", "?"), "x");
}

TEST_F(ProfileTest, WritesKeepEverythingElseInTheFile) {
    Put("\xEF\xBB\xBF"  // a byte-order mark from a Windows editor
        "; written by hand\r\n"
        "[Recent File List]\r\n"
        "File1 = /a/one.png\r\n"
        "File2=/a/two.bmp\r\n"
        "\r\n"
        "[Settings]\r\n"
        "left = 5\r\n"
        "top=6\r\n");
    ProfileFile profile(path);
    EXPECT_EQ(profile.GetProfileString("Recent File List", "File1", ""), "/a/one.png");
    EXPECT_EQ(profile.GetProfileInt("Settings", "left", 0), 5);

    ASSERT_TRUE(profile.WriteProfileInt("Settings", "left", 55));
    ASSERT_TRUE(profile.WriteProfileString("Other", "key", "v"));
    EXPECT_EQ(profile.GetProfileInt("Settings", "left", 0), 55);
    EXPECT_EQ(profile.GetProfileInt("Settings", "top", 0), 6);
    EXPECT_EQ(profile.GetProfileString("Recent File List", "File1", ""), "/a/one.png");
    EXPECT_EQ(profile.GetProfileString("Recent File List", "File2", ""), "/a/two.bmp");
    EXPECT_EQ(profile.GetProfileString("Other", "key", ""), "v");
    EXPECT_NE(Contents().find("; written by hand"), std::string::npos);
}

TEST_F(ProfileTest, EveryCallReadsTheFileAfresh) {
    ProfileFile a(path);
    ProfileFile b(path);
    ASSERT_TRUE(a.WriteProfileInt("Settings", "width", 640));
    EXPECT_EQ(b.GetProfileInt("Settings", "width", 0), 640);
    Put("[Settings]\nwidth=300\n");  // changed behind its back
    EXPECT_EQ(a.GetProfileInt("Settings", "width", 0), 300);
    ASSERT_TRUE(b.WriteProfileInt("Settings", "height", 480));
    EXPECT_EQ(a.GetProfileInt("Settings", "width", 0), 300);
    EXPECT_EQ(a.GetProfileInt("Settings", "height", 0), 480);
}

TEST_F(ProfileTest, AReaderNeverSeesAHalfWrittenFile) {
    // A file large enough that writing it in place would be caught half-way.
    std::string text = "[Recent File List]\n";
    for (int i = 0; i < 1500; ++i)
        text += "File" + std::to_string(i) + "=/some/long/path/to/a/picture/number/" + std::to_string(i) + ".png\n";
    Put(text + "[Settings]\nlast=1\n");
    ProfileFile profile(path);

    pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        bool ok = true;
        for (int i = 0; i < 20 && ok; ++i) ok = profile.WriteProfileInt("Settings", "counter", i);
        ::_exit(ok ? 0 : 1);
    }
    int torn = 0;
    int status = 0;
    while (::waitpid(writer, &status, WNOHANG) == 0) torn += profile.GetProfileInt("Settings", "last", 0) != 1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(profile.GetProfileInt("Settings", "counter", -1), 19);
    EXPECT_EQ(profile.GetProfileString("Recent File List", "File1499", ""),
              "/some/long/path/to/a/picture/number/1499.png");
}

TEST_F(ProfileTest, BatchWritesAllOrNothingAndSkipsUnchangedFiles) {
    ProfileFile profile(path);
    ASSERT_TRUE(profile.WriteProfileKeys("List", {{"File1", "/a.png"}, {"File2", "/b.png"}}));
    const std::string before = Contents();

    // One key the format cannot hold refuses the whole batch.
    EXPECT_FALSE(profile.WriteProfileKeys("List", {{"File1", "/c.png"}, {"bad=key", "x"}}));
    EXPECT_EQ(Contents(), before);

    // Values the file already holds leave it alone: same inode, no rewrite.
    struct stat st1 {
    }, st2{};
    ASSERT_EQ(::stat(path.c_str(), &st1), 0);
    EXPECT_TRUE(profile.WriteProfileKeys("list", {{"FILE1", "/a.png"}, {"File3", std::nullopt}}));
    ASSERT_EQ(::stat(path.c_str(), &st2), 0);
    EXPECT_EQ(st1.st_ino, st2.st_ino);

    EXPECT_TRUE(profile.WriteProfileKeys("List", {{"File1", "/b.png"}, {"File2", std::nullopt}}));
    EXPECT_EQ(profile.GetProfileString("List", "File1", ""), "/b.png");
    EXPECT_EQ(profile.GetProfileString("List", "File2", "gone"), "gone");
}

TEST_F(ProfileTest, DeleteRemovesOnlyThatKey) {
    ProfileFile profile(path);
    ASSERT_TRUE(profile.WriteProfileString("Settings", "Image", "/x.png"));
    ASSERT_TRUE(profile.WriteProfileInt("Settings", "left", 1));
    ASSERT_TRUE(profile.DeleteProfileKey("settings", "IMAGE"));
    EXPECT_EQ(profile.GetProfileString("Settings", "Image", "gone"), "gone");
    EXPECT_EQ(profile.GetProfileInt("Settings", "left", 0), 1);
    EXPECT_TRUE(profile.DeleteProfileKey("Settings", "never-there"));
    EXPECT_TRUE(profile.DeleteProfileKey("Nowhere", "left"));
    EXPECT_EQ(profile.GetProfileInt("Settings", "left", 0), 1);
}

TEST_F(ProfileTest, RefusesWhatTheFormatCannotHold) {
    Put("[Settings]\nImage=/keep.png\n");
    const std::string before = Contents();
    ProfileFile profile(path);
    // A line break would let a value forge other keys and sections.
    EXPECT_FALSE(profile.WriteProfileString("Settings", "Image", "/a.png\n[Evil]\nx=1"));
    EXPECT_FALSE(profile.WriteProfileString("Settings", "Image", "a\rb"));
    EXPECT_FALSE(profile.WriteProfileString("Settings", "Image", std::string("a\0b", 3)));
    for (const char* key : {"", "a=b", " lead", "trail ", ";c", "#c", "[s", "a\nb"})
        EXPECT_FALSE(profile.WriteProfileInt("Settings", key, 1)) << key;
    for (const char* section : {"", "a]b", " lead", "trail ", "a\nb"})
        EXPECT_FALSE(profile.WriteProfileInt(section, "k", 1)) << section;
    EXPECT_EQ(Contents(), before);
    EXPECT_EQ(profile.GetProfileString("Settings", "Image", ""), "/keep.png");
    EXPECT_EQ(profile.GetProfileInt("Settings", "a=b", 3), 3);
}

TEST_F(ProfileTest, BinaryGarbageReadsAsEmptyAndIsReplacedByTheNextWrite) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 7919 + 13) & 0xFF));
    garbage += "\n[Settings]\nleft=77\n";  // hidden behind NUL bytes: not trusted
    Put(garbage);
    ProfileFile profile(path);
    EXPECT_EQ(profile.GetProfileInt("Settings", "left", 200), 200);
    EXPECT_EQ(profile.GetProfileString("Settings", "Image", "d"), "d");
    ASSERT_TRUE(profile.WriteProfileInt("Settings", "top", 9));
    EXPECT_EQ(Contents(), "[Settings]\ntop=9\n");
}

TEST_F(ProfileTest, TextGarbageYieldsOnlyWhatParses) {
    Put("]]]==[[[\n=novalue\n[unterminated\nno equals sign\n[Settings]\nleft=3\n\xFF\xFE=\xC0\n");
    ProfileFile profile(path);
    EXPECT_EQ(profile.GetProfileInt("Settings", "left", 0), 3);
    EXPECT_EQ(profile.GetProfileInt("Settings", "top", 100), 100);
    ASSERT_TRUE(profile.WriteProfileInt("Settings", "top", 4));
    EXPECT_EQ(profile.GetProfileInt("Settings", "left", 0), 3);
    EXPECT_EQ(profile.GetProfileInt("Settings", "top", 0), 4);
}

TEST_F(ProfileTest, FilesThatAreNotSettingsFilesGiveDefaultsAndAreNeverReplaced) {
    // Too large: read nothing, and do not throw away what we could not read.
    std::string big = "[Settings]\nleft=1\n";
    big.resize(static_cast<size_t>(ProfileFile::kMaxFileSize) + 1, 'x');
    Put(big);
    ProfileFile profile(path);
    EXPECT_EQ(profile.GetProfileInt("Settings", "left", 200), 200);
    EXPECT_FALSE(profile.WriteProfileInt("Settings", "left", 2));
    EXPECT_FALSE(profile.DeleteProfileKey("Settings", "left"));
    EXPECT_EQ(Contents(), big);

    // A folder where the file should be.
    fs::remove(path);
    fs::create_directory(path);
    EXPECT_EQ(profile.GetProfileString("Settings", "Image", "d"), "d");
    EXPECT_FALSE(profile.WriteProfileString("Settings", "Image", "x"));
    EXPECT_TRUE(fs::is_directory(path));

    // A FIFO: opening it must not wait for a writer.
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    EXPECT_EQ(profile.GetProfileInt("Settings", "left", 200), 200);
    EXPECT_FALSE(profile.WriteProfileInt("Settings", "left", 2));
    EXPECT_TRUE(fs::is_fifo(path));
    fs::remove(path);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{});
}

TEST_F(ProfileTest, MaximumSizeFileIsStillRead) {
    std::string text = "[Settings]\nleft=12\n;";
    text.resize(static_cast<size_t>(ProfileFile::kMaxFileSize), 'x');
    Put(text);
    EXPECT_EQ(ProfileFile(path).GetProfileInt("Settings", "left", 0), 12);
}

TEST_F(ProfileTest, ReadOnlyFileIsLeftExactlyAsItWas) {
    Put("[Settings]\nleft=1\n");
    ::chmod(path.c_str(), 0444);
    struct stat before {};
    ::stat(path.c_str(), &before);
    ProfileFile profile(path);
    EXPECT_FALSE(profile.WriteProfileInt("Settings", "left", 2));
    EXPECT_FALSE(profile.WriteProfileString("Settings", "Image", "x"));
    EXPECT_FALSE(profile.DeleteProfileKey("Settings", "left"));
    struct stat after {};
    ::stat(path.c_str(), &after);
    EXPECT_EQ(Contents(), "[Settings]\nleft=1\n");
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(profile.GetProfileInt("Settings", "left", 0), 1);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"tesserin.ini"});
}

TEST_F(ProfileTest, UnwritableFolderFailsTheWriteQuietly) {
    // Even root cannot create files here.
    ProfileFile inProc("/proc/tesserin-test.ini");
    EXPECT_FALSE(inProc.WriteProfileInt("Settings", "left", 1));
    EXPECT_EQ(inProc.GetProfileInt("Settings", "left", 5), 5);
    ProfileFile nowhere(dir + "/missing/folder/tesserin.ini");
    EXPECT_FALSE(nowhere.WriteProfileString("Settings", "Image", "x"));
    EXPECT_FALSE(fs::exists(dir + "/missing"));
    EXPECT_FALSE(ProfileFile("").WriteProfileInt("Settings", "left", 1));
}

// Permission bits do not bind root, so as root the checks run in a child that
// has become the unprivileged user "nobody". Returns the first failing step.
int ReadOnlyFolderAndUnreadableFileSteps(const std::string& dir, const std::string& path) {
    ProfileFile profile(path);
    ::chmod(dir.c_str(), 0555);
    if (profile.WriteProfileInt("Settings", "left", 2)) return 1;
    if (profile.GetProfileInt("Settings", "left", 0) != 1) return 2;
    ::chmod(dir.c_str(), 0755);

    ::chmod(path.c_str(), 0200);  // writable but unreadable: never overwrite blind
    if (profile.GetProfileInt("Settings", "left", 9) != 9) return 3;
    if (profile.WriteProfileInt("Settings", "left", 2)) return 4;
    ::chmod(path.c_str(), 0600);
    std::ifstream in(path, std::ios::binary);
    std::stringstream contents;
    contents << in.rdbuf();
    return contents.str() == "[Settings]\nleft=1\n" ? 0 : 5;
}

TEST_F(ProfileTest, ReadOnlyFolderAndUnreadableFileAsAnOrdinaryUser) {
    Put("[Settings]\nleft=1\n");
    if (!IsRoot()) {
        EXPECT_EQ(ReadOnlyFolderAndUnreadableFileSteps(dir, path), 0);
        return;
    }
    const uid_t nobody = 65534;
    ASSERT_EQ(::chown(dir.c_str(), nobody, nobody), 0);
    ASSERT_EQ(::chown(path.c_str(), nobody, nobody), 0);
    ::chmod(dir.c_str(), 0755);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0) ::_exit(100);
        ::_exit(ReadOnlyFolderAndUnreadableFileSteps(dir, path));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "first failing step";
}

TEST_F(ProfileTest, RewriteKeepsPermissionBitsAndSymbolicLinks) {
    Put("[Settings]\nleft=1\n");
    ::chmod(path.c_str(), 0640);
    ProfileFile profile(path);
    ASSERT_TRUE(profile.WriteProfileInt("Settings", "left", 2));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // A settings file kept elsewhere through a link stays linked.
    const std::string real = dir + "/real.ini";
    fs::rename(path, real);
    fs::create_symlink(real, path);
    ASSERT_TRUE(profile.WriteProfileInt("Settings", "left", 3));
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(ProfileFile(real).GetProfileInt("Settings", "left", 0), 3);
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"real.ini", "tesserin.ini"}));
}

TEST_F(ProfileTest, NewFileFollowsTheUmask) {
    mode_t old = ::umask(027);
    ProfileFile profile(path);
    bool written = profile.WriteProfileInt("Settings", "left", 1);
    ::umask(old);
    ASSERT_TRUE(written);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

}  // namespace
