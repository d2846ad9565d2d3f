#include "platform/Profile.h"

// The Debian package ships SimpleIni's templates behind SI_IMPLEMENTATION; no
// conversion: names and values stay the UTF-8 bytes they are.
#define SI_IMPLEMENTATION
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

namespace platform {

namespace {

// Case-insensitive names, one value per key, no multi-line values: a value
// starting "<<<" is plain text here.
using Ini = CSimpleIniA;

enum class Load {
    Missing,   // no file: an empty profile that a write may create
    Loaded,    // read in full
    Unusable,  // there but not readable as a whole: never overwritten
};

bool IsLineBreak(char c) { return c == '\n' || c == '\r'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Reads at most kMaxFileSize bytes of a regular file. Opened non-blocking so a
// FIFO in its place cannot hang the program.
Load ReadFile(const std::string& path, std::string& data) {
    data.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? Load::Missing : Load::Unusable;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > ProfileFile::kMaxFileSize) {
        ::close(fd);
        return Load::Unusable;
    }
    data.resize(static_cast<size_t>(ProfileFile::kMaxFileSize) + 1);
    size_t got = 0;
    while (got < data.size()) {
        ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            data.clear();
            return Load::Unusable;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got > static_cast<size_t>(ProfileFile::kMaxFileSize)) {  // grew while we read
        data.clear();
        return Load::Unusable;
    }
    data.resize(got);
    return Load::Loaded;
}

// Parses the file into ini. A file holding NUL bytes is no text file: it
// reads as empty, and the next write replaces it with a clean one.
Load LoadIni(const std::string& path, Ini& ini) {
    std::string data;
    Load result = ReadFile(path, data);
    if (result != Load::Loaded || data.find('\0') != std::string::npos) return result;
    if (ini.LoadData(data) < 0) {
        ini.Reset();
        return Load::Unusable;
    }
    return Load::Loaded;
}

// The parser holds raw pointers into its buffer: never copied, always made here.
struct Profile : Ini {
    Profile() : Ini(/*isUtf8=*/true, /*multiKey=*/false, /*multiLine=*/false) {
        SetQuotes(true);   // a value in double quotes keeps its outer spaces
        SetSpaces(false);  // key=value, as the classic profile functions write
    }
};

bool HasOuterBlank(const std::string& s) { return !s.empty() && (IsBlank(s.front()) || IsBlank(s.back())); }

bool HasLineBreakOrNul(const std::string& s) {
    for (char c : s)
        if (IsLineBreak(c) || c == '\0') return true;
    return false;
}

// Names the format can hold and find again: a section ends at "]", a key at
// "=", a line starting ";" or "#" is a comment, one starting "[" a section,
// and spaces at either end are trimmed on reading.
bool IsValidSection(const std::string& s) {
    return !s.empty() && !HasLineBreakOrNul(s) && !HasOuterBlank(s) && s.find(']') == std::string::npos;
}

bool IsValidKey(const std::string& k) {
    return !k.empty() && !HasLineBreakOrNul(k) && !HasOuterBlank(k) && k.find('=') == std::string::npos &&
           k.front() != ';' && k.front() != '#' && k.front() != '[';
}

// The text stored for a value. Reading strips one pair of outer double
// quotes, so a value that needs quotes to survive (outer spaces, or quotes of
// its own at both ends) is wrapped in one more pair.
std::string StoredValue(const std::string& value) {
    bool quotedItself = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    if (HasOuterBlank(value) || quotedItself) return '"' + value + '"';
    return value;
}

// The file's text. Loading took one pair of quotes off every quoted value,
// so each value is given its stored form again, not only the one changed.
bool Serialize(Profile& ini, std::string& text) {
    Ini::TNamesDepend sections;
    ini.GetAllSections(sections);
    for (const auto& section : sections) {
        Ini::TNamesDepend keys;
        ini.GetAllKeys(section.pItem, keys);
        for (const auto& key : keys) {
            const char* value = ini.GetValue(section.pItem, key.pItem, "");
            std::string stored = StoredValue(value);
            if (stored != value && ini.SetValue(section.pItem, key.pItem, stored.c_str()) < 0) return false;
        }
    }
    text.clear();
    return ini.Save(text, /*addSignature=*/false) >= 0;
}

int ParseInt(const char* s, int defaultValue) {
    while (IsBlank(*s)) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = *s++ == '-';
    if (*s < '0' || *s > '9') return defaultValue;
    // Accumulate in a wider type and stop growing once past int's range.
    long long magnitude = 0;
    const long long limit = static_cast<long long>(INT_MAX) + 1;
    for (; *s >= '0' && *s <= '9'; ++s) {
        if (magnitude <= limit) magnitude = magnitude * 10 + (*s - '0');
    }
    if (negative) return magnitude >= limit ? INT_MIN : static_cast<int>(-magnitude);
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Replaces the file at path with text: a temporary file beside it, synced,
// then renamed over it. An existing file keeps its permission bits (and its
// owner, where we may set it); a symbolic link keeps pointing at the file.
bool ReplaceFile(const std::string& path, const std::string& text) {
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        // A read-only file stays as it is, even for a user who could replace it.
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) return false;
    } else if (errno != ENOENT) {
        return false;
    }

    const std::string dir = DirectoryOf(target);
    std::string base = target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = dir + "/." + base + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    bool ok = true;
    if (exists) {
        // Keep the owner where we may; the mode is set after, since fchown may clear set-id bits.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Not permitted: the new file keeps our own owner and group.
        }
        ok = ::fchmod(fd, st.st_mode & 07777) == 0;
    }
    ok = ok && WriteAll(fd, text) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // The folder is not synced: after a crash the file is the old one or the
    // new one, both whole, and that is all a settings file needs.
    return true;
}

}  // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}

const std::string& ProfileFile::Path() const { return path_; }

// The value stored under section/key, if the file holds one.
std::optional<std::string> ProfileFile::Lookup(const std::string& section, const std::string& key) const {
    if (!IsValidSection(section) || !IsValidKey(key)) return std::nullopt;
    Profile ini;
    if (LoadIni(path_, ini) != Load::Loaded) return std::nullopt;
    const char* value = ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (!value) return std::nullopt;
    return std::string(value);
}

std::string ProfileFile::GetProfileString(const std::string& section, const std::string& key,
                                          const std::string& defaultValue) const {
    return Lookup(section, key).value_or(defaultValue);
}

int ProfileFile::GetProfileInt(const std::string& section, const std::string& key, int defaultValue) const {
    std::optional<std::string> value = Lookup(section, key);
    return value ? ParseInt(value->c_str(), defaultValue) : defaultValue;
}

bool ProfileFile::WriteProfileString(const std::string& section, const std::string& key,
                                     const std::string& value) const {
    return WriteProfileKeys(section, {{key, value}});
}

bool ProfileFile::WriteProfileInt(const std::string& section, const std::string& key, int value) const {
    return WriteProfileString(section, key, std::to_string(value));
}

bool ProfileFile::DeleteProfileKey(const std::string& section, const std::string& key) const {
    return WriteProfileKeys(section, {{key, std::nullopt}});
}

bool ProfileFile::WriteProfileKeys(const std::string& section, const std::vector<Change>& changes) const {
    if (path_.empty() || !IsValidSection(section)) return false;
    for (const auto& [key, value] : changes)
        if (!IsValidKey(key) || (value && HasLineBreakOrNul(*value))) return false;
    Profile ini;
    if (LoadIni(path_, ini) == Load::Unusable) return false;
    bool changed = false;
    for (const auto& [key, value] : changes) {
        const char* old = ini.GetValue(section.c_str(), key.c_str(), nullptr);
        if (value ? (old && *value == old) : !old) continue;  // already as asked
        changed = true;
        if (!value) {
            // The section header stays even when its last key goes.
            ini.Delete(section.c_str(), key.c_str(), /*removeEmpty=*/false);
        } else if (ini.SetValue(section.c_str(), key.c_str(), value->c_str()) < 0) {
            return false;
        }
    }
    if (!changed) return true;  // the file holds all of it already: no rewrite
    std::string text;
    if (!Serialize(ini, text)) return false;
    return ReplaceFile(path_, text);
}

bool ProfileFile::CanHoldValue(const std::string& value) { return !HasLineBreakOrNul(value); }

}  // namespace platform
