#pragma once
// A lock shared by every running instance of the program, by name: an
// exclusive flock on $XDG_RUNTIME_DIR/<name>.lock (else /tmp/<name>-<uid>.lock).
// The kernel drops it when a process dies, so a crashed instance never blocks
// the others. When the file cannot be opened the lock only serialises nothing
// and never blocks: the game goes on without the cross-instance guard.

#include <string>

namespace platform {

class NamedLock {
public:
    explicit NamedLock(const std::string& name);
    ~NamedLock();
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;

    void Wait();     // blocks until the lock is ours, no time-out
    void Release();  // a release without a matching wait does nothing

    bool IsShared() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
    bool held_ = false;
};

}  // namespace platform
