#include "platform/VectorState.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace platform {

#if defined(__x86_64__) || defined(__i386__)

namespace {

// Only reached where the processor has AVX; the instruction is illegal elsewhere.
__attribute__((target("avx"), noinline)) void ZeroUpper() { _mm256_zeroupper(); }

}  // namespace

void ClearUpperVectorState() {
    static const bool hasAvx = [] {
        __builtin_cpu_init();  // in case the first call comes from a static constructor
        return __builtin_cpu_supports("avx") != 0;
    }();
    if (hasAvx) ZeroUpper();
}

#else

void ClearUpperVectorState() {}

#endif

}  // namespace platform
