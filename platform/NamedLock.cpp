#include "platform/NamedLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {
namespace {

// A '/' in the name would walk out of the lock folder.
std::string FileSafe(const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        if (c == '/') c = '_';
    }
    return safe;
}

std::string LockPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime != nullptr && runtime[0] == '/' && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
        std::string dir = runtime;
        if (dir.back() != '/') dir += '/';
        return dir + FileSafe(name) + ".lock";
    }
    return "/tmp/" + FileSafe(name) + "-" + std::to_string(::getuid()) + ".lock";
}

}  // namespace

NamedLock::NamedLock(const std::string& name) : path_(LockPath(name)) {
    // O_NONBLOCK keeps a FIFO planted at the path from blocking the open.
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) return;
    // In a shared folder such as /tmp another user could have made the file
    // first and hold it forever; only our own regular file is trusted.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

NamedLock::~NamedLock() {
    Release();
    if (fd_ >= 0) ::close(fd_);
}

void NamedLock::Wait() {
    if (fd_ < 0 || held_) return;
    int rc;
    do {
        rc = ::flock(fd_, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    // Any other failure leaves the game unguarded rather than stuck.
    held_ = rc == 0;
}

void NamedLock::Release() {
    if (!held_) return;
    held_ = false;
    ::flock(fd_, LOCK_UN);
}

}  // namespace platform
