#pragma once
// Large memory pages under big, freshly allocated blocks.

#include <cstddef>

namespace platform {

// The size of one large page: the alignment of the span asked for.
constexpr std::size_t kLargePageBytes = std::size_t{2} << 20;

// Asks for large pages under the whole large pages inside a block not yet
// touched: one page fault and one address translation per 2 MB rather than
// per 4 KB. Smaller blocks are left alone, so that the allocator's mappings
// are not split for nothing. Only a hint: where the system declines,
// nothing changes.
void PreferLargePages(void* block, std::size_t bytes);

}  // namespace platform
