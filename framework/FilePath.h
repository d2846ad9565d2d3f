#pragma once
// Extension and directory of a path text, scanned byte by byte in the path's
// code page so that a multi-byte character never yields a false separator.

#include <string>

namespace framework {

enum class CodePage {
    Utf8,      // this platform: "/" separates directories
    ShiftJis,  // lead bytes 0x81-0x9F and 0xE0-0xFC hide the byte after them; "\" separates
};

class FilePath {
public:
    explicit FilePath(std::string path, CodePage cp = CodePage::Utf8);
    virtual ~FilePath();

    // The text after the last "." anywhere in the path, or "" without one.
    std::string extension() const;
    // The text up to and including the last separator, or "" without one.
    std::string directory() const;

private:
    std::string path_;
    CodePage codePage_;
};

}  // namespace framework
