#pragma once
// The WebP, GIF and TIFF benchmarks' inputs and ratios, run by the readers'
// benchmark.
#include <filesystem>

#include "bench/support/BenchSupport.h"

namespace bench {

// Writes the photo as a lossy WebP, a GIF and an LZW-compressed TIFF into folder.
void WritePictureInputs(const std::filesystem::path& folder);
void PrintPictureRatios(const RatioReporter& reporter);

}  // namespace bench
