#pragma once
// The settings file: one INI file, UTF-8, "key=value" lines under "[section]"
// headers. Nothing is cached: every call reads the file afresh, so a value
// written is seen at once by any later read, in this process or another.
// Every write loads the file, changes its keys and replaces the file through a
// temporary file in the same folder (written, synced, then renamed over the
// old one), so other sections and keys survive and a crash never leaves a
// half-written file.
//
// A file that is missing, empty, binary, too large, a directory or unreadable
// reads as empty: every key gives its default. A write that cannot be done
// (read-only file or folder, a file that could not be read in full) returns
// false and leaves the file exactly as it was.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class ProfileFile {
public:
    // Files larger than this are not settings files; they read as empty.
    static constexpr long long kMaxFileSize = 1024 * 1024;

    // False for a value the file cannot hold: one with a line break or a NUL
    // (a legal file name can have either).
    static bool CanHoldValue(const std::string& value);

    explicit ProfileFile(std::string path);

    const std::string& Path() const;

    // Sections and keys compare case-insensitively (ASCII letters); absent
    // keys give the default. The value's leading decimal number is taken, with
    // an optional sign ("12abc" gives 12); a value without digits gives the
    // default; numbers beyond int's range are clamped to it.
    int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) const;
    // Values come back byte for byte as written, spaces at either end included.
    std::string GetProfileString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const;

    // Each returns true when the file now holds the value. A section or key
    // that the format cannot hold (empty, with a line break, "=" or "]" in it,
    // or spaces at either end) and a value with a line break or NUL are refused.
    bool WriteProfileInt(const std::string& section, const std::string& key, int value) const;
    bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value) const;
    // True when the key is absent afterwards (also when it was never there).
    bool DeleteProfileKey(const std::string& section, const std::string& key) const;

    // Several keys of one section in one rewrite: a value to store, or none to
    // delete the key. All or nothing; a file that already holds every value
    // is not rewritten.
    using Change = std::pair<std::string, std::optional<std::string>>;
    bool WriteProfileKeys(const std::string& section, const std::vector<Change>& changes) const;

private:
    std::optional<std::string> Lookup(const std::string& section, const std::string& key) const;

    std::string path_;
};

}  // namespace platform
