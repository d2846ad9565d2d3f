#include "platform/LargePages.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

namespace {

constexpr std::size_t kMB = std::size_t{1} << 20;

// Bytes of [from, to) in mappings that the kernel lists as marked for large
// pages, and where the first of them starts.
std::pair<std::size_t, std::uintptr_t> Marked(std::uintptr_t from, std::uintptr_t to) {
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    std::uintptr_t start = 0, end = 0, first = 0;
    std::size_t total = 0;
    while (std::getline(smaps, line)) {
        std::uintptr_t a = 0, b = 0;
        char dash = 0;
        if (std::istringstream(line) >> std::hex >> a >> dash >> b && dash == '-') {
            start = a, end = b;
        } else if (line.starts_with("VmFlags:") && line.find(" hg") != std::string::npos && end > from && start < to) {
            if (first == 0) first = start;
            total += end - start;
        }
    }
    return {total, first};
}

TEST(PreferLargePages, MarksOnlyTheWholeLargePagesInsideTheBlock) {
    if (!std::filesystem::exists("/sys/kernel/mm/transparent_hugepage")) GTEST_SKIP() << "no large pages here";
    struct Case {
        std::size_t offset;  // of the block from a large-page boundary
        std::size_t bytes;
        std::size_t first;  // the marked span, from the same boundary
        std::size_t end;
    };
    const Case cases[] = {
        {4096, 1 * kMB, 0, 0},              // holds no whole large page
        {16, 4 * kMB - 17, 0, 0},           // one byte short of one
        {4096, 8 * kMB, 2 * kMB, 8 * kMB},  // a picture behind a small page's start
        {0, 6 * kMB, 0, 6 * kMB},
        {2 * kMB, 3 * kMB, 2 * kMB, 4 * kMB},
    };
    for (const Case& c : cases) {
        // Room for a large-page boundary ahead of the largest block.
        const std::size_t length = 16 * kMB;
        void* mapping = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(mapping, MAP_FAILED);
        const auto raw = reinterpret_cast<std::uintptr_t>(mapping);
        const std::uintptr_t base = (raw + platform::kLargePageBytes - 1) & ~(platform::kLargePageBytes - 1);
        platform::PreferLargePages(reinterpret_cast<void*>(base + c.offset), c.bytes);
        const auto [bytes, first] = Marked(raw, raw + length);
        EXPECT_EQ(bytes, c.end - c.first) << c.offset << " " << c.bytes;
        if (bytes != 0) {
            EXPECT_EQ(first, base + c.first) << c.offset << " " << c.bytes;
        }
        munmap(mapping, length);
    }
}

}  // namespace
