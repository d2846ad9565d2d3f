#include "framework/FilePath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using framework::CodePage;
using framework::FilePath;

struct Case {
    std::string path;
    std::string extension;
    std::string directory;
};

void ExpectAll(const std::vector<Case>& cases, CodePage cp) {
    for (const Case& c : cases) {
        FilePath path(c.path, cp);
        EXPECT_EQ(path.extension(), c.extension) << c.path;
        EXPECT_EQ(path.directory(), c.directory) << c.path;
        EXPECT_EQ(path.extension(), c.extension) << "a second call must see the same path";
    }
}

// "表" is 0x95 0x5C in Shift-JIS: its trail byte is the backslash byte.
const std::string kOmote = "\x95\x5C";
// "ソ" is 0x83 0x5C, another one.
const std::string kSo = "\x83\x5C";

TEST(FilePathShiftJis, SplitsAtTheLastBackslashAndDot) {
    ExpectAll(
        {
            {"C:\\dir\\file.bmp", "bmp", "C:\\dir\\"},
            {"file", "", ""},
            {"C:\\dir.x\\file", "x\\file", "C:\\dir.x\\"},
            {"C:\\dir\\file.", "", "C:\\dir\\"},
            {"C:\\dir\\.png", "png", "C:\\dir\\"},
            {"C:\\games\\slide.exe", "exe", "C:\\games\\"},
            {"a.tar.gz", "gz", ""},
            {"", "", ""},
            {"\\", "", "\\"},
            {"/unix/style.png", "png", ""},  // "/" is an ordinary byte here
        },
        CodePage::ShiftJis);
}

TEST(FilePathShiftJis, TrailBytesAreNeverSeparators) {
    ExpectAll(
        {
            // C:\表\a.bmp: the folder is not cut inside the character.
            {"C:\\" + kOmote + "\\a.bmp", "bmp", "C:\\" + kOmote + "\\"},
            // No real backslash after the character: the last one is before it.
            {"C:\\" + kOmote + "a.bmp", "bmp", "C:\\"},
            {"C:\\dir\\" + kSo, "", "C:\\dir\\"},
            {kOmote + kSo, "", ""},
            // A trail byte with the value of ".".
            {"C:\\a\\x\x81.b", "", "C:\\a\\"},
            {"C:\\a\\x\x81..b", "b", "C:\\a\\"},
            // The high lead-byte range, 0xE0 to 0xFC, and bytes just outside both ranges.
            {"C:\\\xE0\\x", "", "C:\\"},
            {"C:\\\xFC\\x", "", "C:\\"},
            {"C:\\\xFD\\x", "", "C:\\\xFD\\"},
            {"C:\\\xA0\\x", "", "C:\\\xA0\\"},  // half-width katakana range: single byte
            {"C:\\\x80\\x", "", "C:\\\x80\\"},
        },
        CodePage::ShiftJis);
}

TEST(FilePathShiftJis, LeadByteAtTheEndEndsTheScan) {
    ExpectAll(
        {
            {"C:\\dir\\file.bmp\x95", "bmp\x95", "C:\\dir\\"},
            {"\x95", "", ""},
            {"a.b\\\x81", "b\\\x81", "a.b\\"},
        },
        CodePage::ShiftJis);
}

TEST(FilePathUtf8, IsTheDefaultAndSplitsAtSlash) {
    FilePath path("/home/u/picture.png");
    EXPECT_EQ(path.extension(), "png");
    EXPECT_EQ(path.directory(), "/home/u/");
    ExpectAll(
        {
            {"/dir/file.bmp", "bmp", "/dir/"},
            {"file", "", ""},
            {"/dir.x/file", "x/file", "/dir.x/"},
            {"/dir/file.", "", "/dir/"},
            {"/dir/.png", "png", "/dir/"},
            {"/", "", "/"},
            {"", "", ""},
            {"relative/a.b.PNG", "PNG", "relative/"},
            {"C:\\windows\\style.bmp", "bmp", ""},  // the backslash is an ordinary byte here
        },
        CodePage::Utf8);
}

TEST(FilePathUtf8, MultiByteCharactersNeitherHideNorFakeSeparators) {
    ExpectAll(
        {
            {"/home/ユーザー/画像/パズル.png", "png", "/home/ユーザー/画像/"},
            {"/表/ソ.画像", "画像", "/表/"},
            {"/写真.フォルダ/名前", "フォルダ/名前", "/写真.フォルダ/"},
            // Full-width "．" and "／" are characters, not separators.
            {"/a/b．png", "", "/a/"},
            {"/a／b.png", "png", "/"},
        },
        CodePage::Utf8);
}

TEST(FilePathUtf8, BrokenSequencesDoNotSwallowSeparators) {
    // A lead byte that promises more bytes than follow must not hide the "/"
    // or "." after it, unlike a Shift-JIS lead byte.
    ExpectAll(
        {
            {"/a\xE3/b.png", "png", "/a\xE3/"},
            {"/a/\xE3.x", "x", "/a/"},
            {"/a\x95/b", "", "/a\x95/"},  // a Shift-JIS lead byte means nothing here
            {"/dir/file.bmp\xE3", "bmp\xE3", "/dir/"},
            // Overlong encodings of "." (C0 AE) and "/" (C0 AF) are not separators.
            {"/a/b\xC0\xAE"
             "c",
             "", "/a/"},
            {"/a\xC0\xAF"
             "b",
             "", "/"},
        },
        CodePage::Utf8);
}

TEST(FilePath, LeavesItsPathUntouchedAndCopiesIt) {
    std::string text = "/x/y.z";
    FilePath path(text);
    text = "changed";
    EXPECT_EQ(path.directory(), "/x/");
    EXPECT_EQ(path.extension(), "z");
}

}  // namespace
