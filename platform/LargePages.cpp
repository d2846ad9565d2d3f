#include "platform/LargePages.h"

#include <sys/mman.h>

#include <cstdint>

namespace platform {

void PreferLargePages(void* block, std::size_t bytes) {
    if (!block) return;
    constexpr std::uintptr_t mask = kLargePageBytes - 1;
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    // Measured from the start, so that a block near the top cannot wrap.
    const auto head = static_cast<std::size_t>((kLargePageBytes - (address & mask)) & mask);
    if (bytes < head + kLargePageBytes) return;
    const std::size_t span = (bytes - head) & ~static_cast<std::size_t>(mask);
    (void)madvise(reinterpret_cast<void*>(address + head), span, MADV_HUGEPAGE);
}

}  // namespace platform
