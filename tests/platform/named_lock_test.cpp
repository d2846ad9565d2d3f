#include "platform/NamedLock.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

// Points XDG_RUNTIME_DIR at a fresh private folder for one test.
class NamedLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved_ = old;
        char pattern[] = "/tmp/namedlock-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        name_ = "TestLock" + std::to_string(::getpid());
    }
    void TearDown() override {
        if (saved_) {
            ::setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
        std::error_code ec;
        fs::remove_all(dir_, ec);
        fs::remove("/tmp/" + name_ + "-" + std::to_string(::getuid()) + ".lock", ec);
    }

    std::string dir_;
    std::string name_;
    std::optional<std::string> saved_;
};

// True when a byte arrives on fd within the time.
bool ByteArrives(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) != 1) return false;
    char c;
    return ::read(fd, &c, 1) == 1;
}

// A child that takes the lock, reports on the pipe, then either leaves or
// waits to be killed.
pid_t SpawnHolder(const std::string& name, int reportFd, bool stayAlive) {
    pid_t pid = ::fork();
    if (pid == 0) {
        platform::NamedLock lock(name);
        lock.Wait();
        char c = 'x';
        (void)!::write(reportFd, &c, 1);
        if (stayAlive) {
            for (;;) ::pause();
        }
        lock.Release();
        ::_exit(0);
    }
    return pid;
}

bool HeldElsewhere(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return busy;
}

TEST_F(NamedLockTest, SecondProcessWaitsUntilTheFirstReleases) {
    platform::NamedLock lock(name_);
    ASSERT_TRUE(lock.IsShared());
    lock.Wait();

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pid_t child = SpawnHolder(name_, fds[1], false);
    ASSERT_GT(child, 0);

    EXPECT_FALSE(ByteArrives(fds[0], 300)) << "the child got the lock while we held it";
    lock.Release();
    EXPECT_TRUE(ByteArrives(fds[0], 10000)) << "the child never got the released lock";

    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST_F(NamedLockTest, LockOfAKilledHolderIsFreed) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    pid_t child = SpawnHolder(name_, fds[1], true);
    ASSERT_GT(child, 0);
    ASSERT_TRUE(ByteArrives(fds[0], 10000));

    platform::NamedLock lock(name_);
    EXPECT_TRUE(HeldElsewhere(lock.Path()));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(HeldElsewhere(lock.Path()));

    lock.Wait();  // would hang if the dead holder still had it
    EXPECT_TRUE(HeldElsewhere(lock.Path()));
    lock.Release();
    EXPECT_FALSE(HeldElsewhere(lock.Path()));
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST_F(NamedLockTest, ReleaseWithoutWaitAndRepeatedCallsAreHarmless) {
    platform::NamedLock lock(name_);
    lock.Release();
    EXPECT_FALSE(HeldElsewhere(lock.Path()));
    lock.Wait();
    lock.Wait();  // a second wait must not deadlock on our own lock
    EXPECT_TRUE(HeldElsewhere(lock.Path()));
    lock.Release();
    lock.Release();
    EXPECT_FALSE(HeldElsewhere(lock.Path()));
}

TEST_F(NamedLockTest, DestructionReleases) {
    std::string path;
    {
        platform::NamedLock lock(name_);
        path = lock.Path();
        lock.Wait();
        EXPECT_TRUE(HeldElsewhere(path));
    }
    EXPECT_FALSE(HeldElsewhere(path));
}

TEST_F(NamedLockTest, FileIsCreatedPrivate) {
    mode_t old = ::umask(0);
    platform::NamedLock lock(name_);
    ::umask(old);
    struct stat st {};
    ASSERT_EQ(::stat(lock.Path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST_F(NamedLockTest, PathFollowsTheRuntimeFolder) {
    const std::string fallback = "/tmp/" + name_ + "-" + std::to_string(::getuid()) + ".lock";
    EXPECT_EQ(platform::NamedLock(name_).Path(), dir_ + "/" + name_ + ".lock");

    ::setenv("XDG_RUNTIME_DIR", (dir_ + "/").c_str(), 1);
    EXPECT_EQ(platform::NamedLock(name_).Path(), dir_ + "/" + name_ + ".lock");

    ::setenv("XDG_RUNTIME_DIR", "relative/dir", 1);
    EXPECT_EQ(platform::NamedLock(name_).Path(), fallback);

    const std::string file = dir_ + "/plain-file";
    ::close(::open(file.c_str(), O_CREAT | O_WRONLY, 0600));
    ::setenv("XDG_RUNTIME_DIR", file.c_str(), 1);
    EXPECT_EQ(platform::NamedLock(name_).Path(), fallback);

    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(platform::NamedLock(name_).Path(), fallback);

    // A slash in the name stays inside the folder.
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    EXPECT_EQ(platform::NamedLock("../x").Path(), dir_ + "/.._x.lock");
}

TEST_F(NamedLockTest, UnopenableFileDegradesToNoLock) {
    // A symlink planted at the lock path is refused by O_NOFOLLOW.
    const std::string target = dir_ + "/target";
    ::close(::open(target.c_str(), O_CREAT | O_WRONLY, 0600));
    ASSERT_EQ(::symlink(target.c_str(), (dir_ + "/" + name_ + ".lock").c_str()), 0);

    platform::NamedLock lock(name_);
    EXPECT_FALSE(lock.IsShared());
    lock.Wait();  // returns at once
    lock.Release();

    // So is a FIFO: it must neither block the open nor be used.
    ASSERT_EQ(::mkfifo((dir_ + "/fifo.lock").c_str(), 0600), 0);
    platform::NamedLock fifo("fifo");
    EXPECT_FALSE(fifo.IsShared());
    fifo.Wait();
    fifo.Release();
}

TEST_F(NamedLockTest, FileOwnedBySomeoneElseIsNotTrusted) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a file owned by another user";
    const std::string path = dir_ + "/" + name_ + ".lock";
    ::close(::open(path.c_str(), O_CREAT | O_WRONLY, 0600));
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    platform::NamedLock lock(name_);
    EXPECT_FALSE(lock.IsShared());
    lock.Wait();
    lock.Release();
}

}  // namespace
