#include "platform/VectorState.h"

#include <gtest/gtest.h>

#if defined(__x86_64__)
#include <cpuid.h>

#include <cstdint>

namespace {

// Bit 2 of the in-use state components: the upper halves of the 256-bit registers.
bool UpperHalvesInUse() {
    std::uint32_t lo = 0, hi = 0;
    asm volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
    return (lo & (1u << 2)) != 0;
}

TEST(ClearUpperVectorState, LeavesTheUpperHalvesUnused) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__builtin_cpu_supports("avx") || !__get_cpuid_count(0xd, 1, &a, &b, &c, &d) || !(a & (1u << 2)))
        GTEST_SKIP() << "the processor does not say which registers are in use";
    // Written here, in plain code: a function built for AVX would clear them on its way out.
    asm volatile("vpcmpeqd %%ymm5, %%ymm5, %%ymm5" ::: "xmm5");
    ASSERT_TRUE(UpperHalvesInUse());
    platform::ClearUpperVectorState();
    EXPECT_FALSE(UpperHalvesInUse());
}

}  // namespace

#endif
