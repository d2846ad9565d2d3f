#pragma once
// The HEIF and AVIF benchmarks' ratios, run by the readers' benchmark, and
// libheif's bare decode, shared with the start-up script's tool.
#include <string>

#include "bench/support/BenchSupport.h"

namespace bench {

void PrintHeifRatios(const RatioReporter& reporter);
// Decodes the file with libheif alone, from memory into libheif's own
// interleaved RGB buffer; false when libheif fails.
bool DecodeWithLibheif(const std::string& path);

}  // namespace bench
