#pragma once
// The most recently opened files, newest first, without duplicates, kept in
// one section of the settings file as keys File1..FileN.

#include <string>
#include <vector>

namespace platform {
class ProfileFile;
}

namespace framework {

class RecentFileList {
public:
    RecentFileList(std::string section, int size);

    const std::vector<std::string>& Entries() const { return entries_; }
    bool Empty() const { return entries_.empty(); }

    // Puts path in front (made absolute); an entry naming the same file moves
    // there instead of appearing twice; the oldest entry drops off the end.
    void Add(const std::string& path);
    void Remove(int index);  // out-of-range indexes are ignored

    // Reads the keys File1..FileN; empty and missing keys are skipped.
    void ReadList(const platform::ProfileFile& profile);
    // Writes every entry, newest first, and deletes the keys of positions
    // left empty. An entry the file cannot hold (a name with a line break)
    // stays in the list but is not written; the others close up behind it.
    // False when the file could not be written.
    bool WriteList(const platform::ProfileFile& profile) const;

    static std::string KeyName(int index);  // "File1" for index 0

private:
    std::string section_;
    int size_;
    std::vector<std::string> entries_;
};

}  // namespace framework
