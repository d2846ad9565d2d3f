#pragma once
// The percentage an operation reports after finishing a row.

#include <cstdint>

namespace colour {

// rows_done × 100 / rows in integer division, worked in 64 bits: a tall
// 1-bit picture has more rows than 100 × rows fits in an int.
inline int row_percent(int rows_done, int rows) {
    if (rows <= 0) return 0;
    return static_cast<int>(std::int64_t{100} * rows_done / rows);
}

}  // namespace colour
