#include "framework/FilePath.h"

#include <utility>

namespace framework {

namespace {

bool IsShiftJisLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Position of the last separator byte, or npos. In UTF-8 every byte of a
// multi-byte character is 0x80 or above, so an ASCII separator byte is always
// the character itself and a plain byte scan is exact, even on broken text.
// In Shift-JIS a trail byte may equal "." or "\", so lead bytes and the byte
// after them are stepped over unseen.
size_t LastSeparator(const std::string& path, char separator, CodePage cp) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (cp == CodePage::ShiftJis && IsShiftJisLeadByte(static_cast<unsigned char>(path[i]))) {
            ++i;  // the trail byte; a lead byte at the very end ends the scan
            continue;
        }
        if (path[i] == separator) found = i;
    }
    return found;
}

char DirectorySeparator(CodePage cp) { return cp == CodePage::ShiftJis ? '\\' : '/'; }

}  // namespace

FilePath::FilePath(std::string path, CodePage cp) : path_(std::move(path)), codePage_(cp) {}

FilePath::~FilePath() = default;

std::string FilePath::extension() const {
    size_t dot = LastSeparator(path_, '.', codePage_);
    return dot == std::string::npos ? std::string() : path_.substr(dot + 1);
}

std::string FilePath::directory() const {
    size_t sep = LastSeparator(path_, DirectorySeparator(codePage_), codePage_);
    return sep == std::string::npos ? std::string() : path_.substr(0, sep + 1);
}

}  // namespace framework
