// Decoding 4000 x 3000 photos (12 MP, as phones take them) into an Image: a
// HEIC, an AVIF, and a HEIC with a Display P3 profile, beside libheif alone
// decoding the same file from memory into its own interleaved RGB buffer.
// The files are written at build time by libheif's encoders (tests/readers).
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "bench/readers/HeifBench.h"
#include "image/Image.h"
#include "readers/HeifReader.h"

namespace {

std::string path(const char* name) { return std::string(TESSERIN_HEIF_BENCH_FILES) + "/" + name; }

void LibheifAlone(benchmark::State& state, const char* name) {
    for (auto _ : state) {
        if (!bench::DecodeWithLibheif(path(name))) state.SkipWithError("libheif failed");
    }
}

void HeifReaderIntoImage(benchmark::State& state, const char* name) {
    for (auto _ : state) {
        std::ifstream in(path(name), std::ios::binary);
        Image image;
        HeifReader().read(image, in);
        benchmark::DoNotOptimize(image.bitmap());
    }
}

BENCHMARK_CAPTURE(LibheifAlone, heic, "photo.heic")->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK_CAPTURE(HeifReaderIntoImage, heic, "photo.heic")->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK_CAPTURE(LibheifAlone, avif, "photo.avif")->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK_CAPTURE(HeifReaderIntoImage, avif, "photo.avif")->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK_CAPTURE(LibheifAlone, p3, "photo-p3.heic")->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK_CAPTURE(HeifReaderIntoImage, p3, "photo-p3.heic")->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

void bench::PrintHeifRatios(const RatioReporter& reporter) {
    reporter.PrintRatio("HEIC reader / libheif alone", "HeifReaderIntoImage/heic", "LibheifAlone/heic", 1.15);
    reporter.PrintRatio("AVIF reader / libheif alone", "HeifReaderIntoImage/avif", "LibheifAlone/avif", 1.15);
    reporter.PrintRatio("P3 HEIC reader, converted / libheif alone", "HeifReaderIntoImage/p3", "LibheifAlone/p3", 1.35);
}
