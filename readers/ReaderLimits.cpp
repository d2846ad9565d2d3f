#include "readers/ReaderLimits.h"

namespace reader_limits {

namespace {

// a x b, or false when the product would not fit 64 bits.
bool multiply(std::uint64_t a, std::uint64_t b, std::uint64_t& product) {
    if (a != 0 && b > UINT64_MAX / a) return false;
    product = a * b;
    return true;
}

}  // namespace

void check_size(std::uint64_t width, std::uint64_t height, unsigned bit_count) {
    const auto refuse = [] { throw exec_error(messages::kNoImageMemory); };
    if (width > kMaxWidth) refuse();
    if (height > kMaxHeight) refuse();
    std::uint64_t pixels = 0;
    if (!multiply(width, height, pixels) || pixels > kMaxPixels) refuse();
    std::uint64_t row_bits = 0;
    if (!multiply(width, bit_count, row_bits)) refuse();
    const std::uint64_t stride = ((row_bits + 7) / 8 + 3) & ~std::uint64_t{3};
    std::uint64_t bytes = 0;
    if (!multiply(stride, height, bytes) || bytes > kMaxBytes) refuse();
}

}  // namespace reader_limits
