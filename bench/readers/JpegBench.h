#pragma once
// The JPEG benchmarks' inputs and ratios, run by the readers' benchmark.
#include <filesystem>

#include "bench/support/BenchSupport.h"

namespace bench {

// Writes the upright and the turned photo into folder.
void WriteJpegInputs(const std::filesystem::path& folder);
void PrintJpegRatios(const RatioReporter& reporter);

}  // namespace bench
