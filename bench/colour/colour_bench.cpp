// Raising a 6000 x 4000 8-bit palette picture to 24 bits, as the board does
// with every palette picture it opens: the operation itself beside the same
// work pixel by pixel through the strict accessors, and beside libpng alone
// decoding the same picture from a PNG file (the time the whole opening is
// measured against). The PNG is made at run time in a temporary folder and
// removed afterwards.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/BenchSupport.h"
#include "colour/ColorDepthFilter.h"
#include "image/Image.h"
#include "tests/colour/PerPixelIncrease.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

std::filesystem::path g_png;
Image g_picture;

Color palette_entry(int i) {
    const bench::Entry e = bench::PaletteEntry(i);
    return Color(e.red, e.green, e.blue);
}

void make_picture() {
    g_picture.init_header();
    g_picture.set_width(kWidth);
    g_picture.set_height(kHeight);
    g_picture.set_bit_count(8);
    for (int i = 0; i < 256; ++i) g_picture.set_palette_color(i, palette_entry(i));
    g_picture.create();
    for (int y = 0; y < kHeight; ++y) g_picture.set_index_row(y, bench::PaletteRow(y, kWidth).data());
}

void LibpngAlone(benchmark::State& state) {
    for (auto _ : state) bench::DecodeWithLibpng(g_png);
}

void ColourIncrease(benchmark::State& state) {
    ImageFilter::ImageList in{&g_picture};
    for (auto _ : state) {
        ImageFilter::ImageResults out;
        ColorDepthFilter(24, 0, true).execute(in.begin(), in.end(), out);
        benchmark::DoNotOptimize(out.front()->bitmap());
    }
}

void PerPixelIncrease(benchmark::State& state) {
    for (auto _ : state) {
        auto result = colour_test::PerPixelIncrease(g_picture, 24);
        benchmark::DoNotOptimize(result->bitmap());
    }
}

BENCHMARK(LibpngAlone)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(ColourIncrease)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(PerPixelIncrease)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const bench::TempFolder folder;
    g_png = folder.Path() / "palette.png";
    bench::WritePhotoPng(g_png, bench::PngKind::Palette, kWidth, kHeight);
    make_picture();
    std::printf("input: %s (%ju bytes), %d x %d, 8-bit palette\n", g_png.c_str(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(g_png)), kWidth, kHeight);

    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("per-pixel increase / colour increase", "PerPixelIncrease", "ColourIncrease", 0);
    reporter.PrintRatio("colour increase / libpng alone", "ColourIncrease", "LibpngAlone", 0);
    return 0;
}
