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

// The ratio reporter knows a benchmark by its function's name: one per file.
#define HEIF_BENCH(suffix, file)                                                           \
    void LibheifAlone##suffix(benchmark::State& state) { LibheifAlone(state, file); }      \
    void HeifReader##suffix(benchmark::State& state) { HeifReaderIntoImage(state, file); } \
    BENCHMARK(LibheifAlone##suffix)->Unit(benchmark::kMillisecond)->MinTime(3.0);          \
    BENCHMARK(HeifReader##suffix)->Unit(benchmark::kMillisecond)->MinTime(3.0);

HEIF_BENCH(Heic, "photo.heic")
HEIF_BENCH(Avif, "photo.avif")
HEIF_BENCH(P3Heic, "photo-p3.heic")

}  // namespace

void bench::PrintHeifRatios(const RatioReporter& reporter) {
    reporter.PrintRatio("HEIC reader / libheif alone", "HeifReaderHeic", "LibheifAloneHeic", 1.15);
    reporter.PrintRatio("AVIF reader / libheif alone", "HeifReaderAvif", "LibheifAloneAvif", 1.15);
    reporter.PrintRatio("P3 HEIC reader, converted / libheif alone", "HeifReaderP3Heic", "LibheifAloneP3Heic", 1.35);
}
