#include "framework/RecentFileList.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "platform/Profile.h"

namespace framework {

namespace {

std::string FullPath(const std::string& path) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path, ec);
    if (ec) return path;
    return absolute.lexically_normal().string();
}

}  // namespace

RecentFileList::RecentFileList(std::string section, int size)
    : section_(std::move(section)), size_(std::max(size, 0)) {}

std::string RecentFileList::KeyName(int index) { return "File" + std::to_string(index + 1); }

void RecentFileList::Add(const std::string& path) {
    if (path.empty() || size_ == 0) return;
    std::string full = FullPath(path);
    entries_.erase(std::remove(entries_.begin(), entries_.end(), full), entries_.end());
    entries_.insert(entries_.begin(), full);
    if (static_cast<int>(entries_.size()) > size_) entries_.resize(size_);
}

void RecentFileList::Remove(int index) {
    if (index < 0 || index >= static_cast<int>(entries_.size())) return;
    entries_.erase(entries_.begin() + index);
}

void RecentFileList::ReadList(const platform::ProfileFile& profile) {
    entries_.clear();
    for (int i = 0; i < size_; ++i) {
        std::string entry = profile.GetProfileString(section_, KeyName(i), "");
        if (entry.empty() || std::find(entries_.begin(), entries_.end(), entry) != entries_.end()) continue;
        entries_.push_back(entry);
    }
}

bool RecentFileList::WriteList(const platform::ProfileFile& profile) const {
    std::vector<std::string> stored;
    std::copy_if(entries_.begin(), entries_.end(), std::back_inserter(stored), platform::ProfileFile::CanHoldValue);
    std::vector<platform::ProfileFile::Change> changes;
    for (int i = 0; i < size_; ++i) {
        if (i < static_cast<int>(stored.size()))
            changes.emplace_back(KeyName(i), stored[i]);
        else
            changes.emplace_back(KeyName(i), std::nullopt);
    }
    return profile.WriteProfileKeys(section_, changes);
}

}  // namespace framework
