// Decoding a 6000 x 4000 truecolour picture into an Image, beside the floor
// each reader stands on: libpng alone decoding the same PNG into a plain
// buffer, and a plain read of the same BMP file. The inputs are made at run
// time in a temporary folder and removed afterwards.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "image/Image.h"
#include "readers/BmpReader.h"
#include "readers/PngReader.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

std::filesystem::path g_folder;
std::filesystem::path g_png;
std::filesystem::path g_bmp;

// A photograph-like picture: smooth gradients with a little noise, so that
// the PNG compresses to a realistic size.
std::vector<std::uint8_t> picture_row(int y) {
    std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(kWidth));
    std::uint32_t noise = 2166136261u ^ static_cast<std::uint32_t>(y);
    for (int x = 0; x < kWidth; ++x) {
        noise = noise * 1664525u + 1013904223u;
        const int n = static_cast<int>(noise >> 29);
        row[3 * x + 0] = static_cast<std::uint8_t>((x / 24 + n) & 0xFF);
        row[3 * x + 1] = static_cast<std::uint8_t>((y / 16 + n) & 0xFF);
        row[3 * x + 2] = static_cast<std::uint8_t>(((x + y) / 40 + n) & 0xFF);
    }
    return row;
}

void write_png(const std::filesystem::path& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!file || !png || !info || setjmp(png_jmpbuf(png))) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kHeight; ++y) png_write_row(png, picture_row(y).data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

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
    for (std::uint32_t v : {40u, static_cast<std::uint32_t>(kWidth), static_cast<std::uint32_t>(kHeight)}) put(out, v, 4);
    put(out, 1, 2);
    put(out, 24, 2);
    for (int i = 0; i < 6; ++i) put(out, 0, 4);
    std::vector<char> row(stride, 0);
    for (int y = kHeight - 1; y >= 0; --y) {
        const auto rgb = picture_row(y);
        for (int x = 0; x < kWidth; ++x) {
            row[3 * x + 0] = static_cast<char>(rgb[3 * x + 2]);
            row[3 * x + 1] = static_cast<char>(rgb[3 * x + 1]);
            row[3 * x + 2] = static_cast<char>(rgb[3 * x + 0]);
        }
        out.write(row.data(), stride);
    }
}

void LibpngAlone(benchmark::State& state) {
    for (auto _ : state) {
        FILE* file = std::fopen(g_png.c_str(), "rb");
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (setjmp(png_jmpbuf(png))) std::abort();
        png_init_io(png, file);
        png_read_info(png, info);
        const std::size_t row_bytes = png_get_rowbytes(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        std::unique_ptr<std::uint8_t[]> pixels(new std::uint8_t[row_bytes * height]);
        for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, pixels.get() + row_bytes * y, nullptr);
        png_read_end(png, info);
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        benchmark::DoNotOptimize(pixels.get());
    }
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

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            real[run.benchmark_name()] = run.GetAdjustedRealTime();
            cpu[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> real;
    std::map<std::string, double> cpu;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    char pattern[] = "/tmp/tesserin-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    g_folder = pattern;
    g_png = g_folder / "picture.png";
    g_bmp = g_folder / "picture.bmp";
    write_png(g_png);
    write_bmp(g_bmp);
    std::printf("inputs: %s (%ju bytes), %s (%ju bytes)\n", g_png.c_str(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(g_png)), g_bmp.c_str(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(g_bmp)));

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::filesystem::remove_all(g_folder);

    // Names carry their settings ("LibpngAlone/min_time:3.000"): match the stem.
    const auto time_of = [](const std::map<std::string, double>& times, const std::string& stem) {
        for (const auto& [name, time] : times)
            if (name.substr(0, name.find('/')) == stem) return time;
        return 0.0;
    };
    // CPU time is printed too: on a busy machine it is the steadier figure.
    const auto report = [&](const char* what, const char* slow, const char* fast, double limit) {
        const auto ratio = [&](const std::map<std::string, double>& times) {
            const double base = time_of(times, fast);
            return base > 0 ? time_of(times, slow) / base : 0.0;
        };
        std::printf("%s: %.3f real, %.3f CPU (limit %.2f)\n", what, ratio(reporter.real), ratio(reporter.cpu), limit);
    };
    report("PNG reader / libpng alone", "PngReaderIntoImage", "LibpngAlone", 1.25);
    report("BMP reader / plain file read", "BmpReaderIntoImage", "PlainFileRead", 2.0);
    return 0;
}
