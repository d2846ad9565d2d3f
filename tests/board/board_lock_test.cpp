#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

#include "image/Errors.h"
#include "tests/board/BoardTestSupport.h"
#include "tests/board/FakeWindow.h"

namespace {

// A private runtime folder, so the lock file is this test's alone.
class BoardLock : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/board-lock-XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        runtimeDir_ = dir;
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) oldRuntimeDir_ = old;
        ::setenv("XDG_RUNTIME_DIR", dir, 1);
        board_ = std::make_unique<TestBoard>();
        ASSERT_TRUE(board_->lock.IsShared());
        ASSERT_EQ(std::filesystem::path(board_->lock.Path()).parent_path(), runtimeDir_);
        Place(*board_, 0, 0, 400, 400, 4);
    }
    void TearDown() override {
        board_.reset();
        std::filesystem::remove_all(runtimeDir_);
        if (oldRuntimeDir_) {
            ::setenv("XDG_RUNTIME_DIR", oldRuntimeDir_->c_str(), 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
    }

    // Whether another process gets the lock at once.
    bool OtherProcessCanTake() {
        const std::string path = board_->lock.Path();
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(path.c_str(), O_RDWR);
            ::_exit(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    SleepHookScope noSleep;
    std::filesystem::path runtimeDir_;
    std::optional<std::string> oldRuntimeDir_;
    std::unique_ptr<TestBoard> board_;
};

TEST_F(BoardLock, ReleasedAfterEveryOperationOnEveryPath) {
    PuzzleBoard& b = *board_;
    fake::Window window;
    b.view = &window;
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"outside", [&] { b.MoveAt(-1, 5); }},
        {"no line", [&] { Click(b, 0, 0); }},
        {"move", [&] { Click(b, 3, 0); }},
        {"solving move", [&] { Click(b, 3, 3); }},
        {"while solved", [&] { Click(b, 3, 0); }},
        {"finer", [&] { b.Finer(); }},
        {"coarser", [&] { b.Coarser(); }},
        {"shuffle", [&] { b.Shuffle(); }},
        {"coarser at the limit",
         [&] {
             for (int i = 0; i < 4; ++i) b.Coarser();
         }},
        {"finer at the limit",
         [&] {
             for (int i = 0; i < 10; ++i) b.Finer();
         }},
        {"tiny board",
         [&] {
             b.width = b.height = 5;
             b.Rebuild(true, true);
             Click(b, 0, 0);
         }},
    };
    for (const auto& [name, step] : steps) {
        step();
        EXPECT_TRUE(OtherProcessCanTake()) << name;
    }
    EXPECT_TRUE(b.solved == false);
}

// A window that fails mid-slide must not leave every instance locked out,
// nor cells drawn off their places.
TEST_F(BoardLock, ReleasedWhenDrawingThrows) {
    struct Throwing : fake::Context {
        using fake::Context::Context;
        void TextOut(int, int, std::string_view) override { throw exec_error("broken"); }
    };
    struct BrokenWindow : fake::Window {
        bool failAtOnce = true;
        std::unique_ptr<platform::DeviceContext> GetDC() override {
            if (failAtOnce) throw exec_error("broken");
            return std::make_unique<Throwing>(raster, record);
        }
    } window;
    board_->view = &window;
    EXPECT_THROW(Click(*board_, 3, 0), exec_error);
    EXPECT_TRUE(OtherProcessCanTake());
    window.failAtOnce = false;
    EXPECT_THROW(Click(*board_, 3, 0), exec_error);
    EXPECT_TRUE(OtherProcessCanTake());
    EXPECT_EQ(board_->FindEmptyCell(), (PuzzleBoard::CellPosition{3, 3}));
    for (int j = 0; j < 3; ++j) EXPECT_EQ(board_->cells[3][j]->x, j * 100);
    ASSERT_EQ(window.invalidated.size(), 2u);  // the half-drawn run is repainted
    EXPECT_EQ(window.invalidated[1], std::vector<int>({0, 300, 400, 400, 1}));
    EXPECT_EQ(window.record.contextsOpen, 0);
}

TEST_F(BoardLock, AMoveWaitsWhileAnotherProcessHoldsTheLock) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const std::string path = board_->lock.Path();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(path.c_str(), O_RDWR);
        const bool held = fd >= 0 && ::flock(fd, LOCK_EX) == 0;
        (void)!::write(ready[1], held ? "1" : "0", 1);
        ::usleep(300 * 1000);
        ::_exit(0);  // the kernel releases the lock with the process
    }
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ASSERT_EQ(held, '1');
    const auto start = std::chrono::steady_clock::now();
    Click(*board_, 0, 3);
    const auto waited = std::chrono::steady_clock::now() - start;
    ::waitpid(pid, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_GE(waited, std::chrono::milliseconds(200));
    EXPECT_EQ(board_->FindEmptyCell(), (PuzzleBoard::CellPosition{0, 3}));
    EXPECT_TRUE(OtherProcessCanTake());
}

}  // namespace
