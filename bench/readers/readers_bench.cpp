// Decoding a 6000 x 4000 truecolour picture into an Image, beside the floor
// each reader stands on: libpng alone decoding the same PNG into a plain
// buffer, and a plain read of the same BMP file. The inputs are made at run
// time in a temporary folder and removed afterwards.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/readers/HeifBench.h"
#include "bench/readers/JpegBench.h"
#include "bench/readers/PictureBench.h"
#include "bench/support/BenchSupport.h"
#include "image/Image.h"
#include "readers/BmpReader.h"
#include "readers/PngReader.h"

namespace {

constexpr int kWidth = bench::kPhotoWidth;
constexpr int kHeight = bench::kPhotoHeight;

std::filesystem::path g_png;
std::filesystem::path g_bmp;

void put(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void write_bmp(const std::filesystem::path& path) {
    const std::uint32_t stride = (3 * kWidth + 3) & ~3u;
    std::ofstream out(path, std::ios::binary);
    out.write("BM", 2);
    put(out, 54 + stride * kHeight, 4);
    put(out, 0, 4);
    put(out, 54, 4);
    for (std::uint32_t v : {40u, static_cast<std::uint32_t>(kWidth), static_cast<std::uint32_t>(kHeight)})
        put(out, v, 4);
    put(out, 1, 2);
    put(out, 24, 2);
    for (int i = 0; i < 6; ++i) put(out, 0, 4);
    std::vector<char> row(stride, 0);
    for (int y = kHeight - 1; y >= 0; --y) {
        const auto rgb = bench::PhotoRow(y, kWidth);
        for (int x = 0; x < kWidth; ++x) {
            row[3 * x + 0] = static_cast<char>(rgb[3 * x + 2]);
            row[3 * x + 1] = static_cast<char>(rgb[3 * x + 1]);
            row[3 * x + 2] = static_cast<char>(rgb[3 * x + 0]);
        }
        out.write(row.data(), stride);
    }
}

void LibpngAlone(benchmark::State& state) {
    for (auto _ : state) bench::DecodeWithLibpng(g_png);
}

void PngReaderIntoImage(benchmark::State& state) {
    for (auto _ : state) {
        std::ifstream in(g_png, std::ios::binary);
        Image image;
        PngReader().read(image, in);
        benchmark::DoNotOptimize(image.bitmap());
    }
}

void PlainFileRead(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(std::filesystem::file_size(g_bmp));
    for (auto _ : state) {
        std::ifstream in(g_bmp, std::ios::binary);
        std::unique_ptr<char[]> bytes(new char[size]);
        in.read(bytes.get(), static_cast<std::streamsize>(size));
        benchmark::DoNotOptimize(bytes.get());
    }
}

void BmpReaderIntoImage(benchmark::State& state) {
    for (auto _ : state) {
        std::ifstream in(g_bmp, std::ios::binary);
        Image image;
        BmpReader().read(image, in);
        benchmark::DoNotOptimize(image.bitmap());
    }
}

BENCHMARK(LibpngAlone)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(PngReaderIntoImage)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(PlainFileRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BmpReaderIntoImage)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

// Each reader runs beside its floor in shuffled repetitions, so a slow
// spell of the machine falls on both sides of a ratio alike. Flags given on
// the command line win.
std::vector<char*> with_steady_defaults(int argc, char** argv) {
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    static char repetitions[] = "--benchmark_repetitions=6";
    static char aggregates[] = "--benchmark_report_aggregates_only=true";
    std::vector<char*> args(argv, argv + argc);
    for (char* flag : {interleave, repetitions, aggregates}) {
        const std::string name(flag, std::string(flag).find('='));
        const bool given =
            std::any_of(argv + 1, argv + argc, [&](const char* arg) { return std::string(arg).rfind(name, 0) == 0; });
        if (!given) args.push_back(flag);
    }
    return args;
}

int main(int argc, char** argv) {
    std::vector<char*> args = with_steady_defaults(argc, argv);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    const bench::TempFolder folder;
    g_png = folder.Path() / "picture.png";
    g_bmp = folder.Path() / "picture.bmp";
    bench::WritePhotoPng(g_png, bench::PngKind::Truecolour);
    write_bmp(g_bmp);
    bench::WriteJpegInputs(folder.Path());
    bench::WritePictureInputs(folder.Path());
    std::printf("inputs: %s (%ju bytes), %s (%ju bytes)\n", g_png.c_str(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(g_png)), g_bmp.c_str(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(g_bmp)));

    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("PNG reader / libpng alone", "PngReaderIntoImage", "LibpngAlone", 1.25);
    reporter.PrintRatio("BMP reader / plain file read", "BmpReaderIntoImage", "PlainFileRead", 2.0);
    bench::PrintJpegRatios(reporter);
    bench::PrintPictureRatios(reporter);
    bench::PrintHeifRatios(reporter);
    return 0;
}
