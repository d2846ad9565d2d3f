// Raising a 6000 x 4000 8-bit palette picture to 24 bits, as the board does
// with every palette picture it opens: the operation itself beside the same
// work pixel by pixel through the strict accessors, and beside libpng alone
// decoding the same picture from a PNG file (the time the whole opening is
// measured against). The PNG is made at run time in a temporary folder and
// removed afterwards.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "colour/ColorDepthFilter.h"
#include "image/Image.h"
#include "tests/colour/PerPixelIncrease.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

std::filesystem::path g_png;
Image g_picture;

Color palette_entry(int i) { return Color(i, (i * 7) & 0xFF, 255 - i); }

// Smooth bands with a little noise, so that the PNG compresses to a
// realistic size and every palette entry is in use.
std::vector<std::uint8_t> index_row(int y) {
    std::vector<std::uint8_t> row(kWidth);
    std::uint32_t noise = 2166136261u ^ static_cast<std::uint32_t>(y);
    for (int x = 0; x < kWidth; ++x) {
        noise = noise * 1664525u + 1013904223u;
        row[x] = static_cast<std::uint8_t>(((x + y) / 40 + (noise >> 29)) & 0xFF);
    }
    return row;
}

void make_picture() {
    g_picture.init_header();
    g_picture.set_width(kWidth);
    g_picture.set_height(kHeight);
    g_picture.set_bit_count(8);
    for (int i = 0; i < 256; ++i) g_picture.set_palette_color(i, palette_entry(i));
    g_picture.create();
    for (int y = 0; y < kHeight; ++y) g_picture.set_index_row(y, index_row(y).data());
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
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    for (int i = 0; i < 256; ++i) {
        const Color c = palette_entry(i);
        palette[i] = {c.red, c.green, c.blue};
    }
    png_set_PLTE(png, info, palette, 256);
    png_write_info(png, info);
    for (int y = 0; y < kHeight; ++y) png_write_row(png, index_row(y).data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

void LibpngAlone(benchmark::State& state) {
    for (auto _ : state) {
        FILE* file = std::fopen(g_png.c_str(), "rb");
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (!file || !png || !info || setjmp(png_jmpbuf(png))) std::abort();
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
    const std::filesystem::path folder = pattern;
    g_png = folder / "palette.png";
    write_png(g_png);
    make_picture();
    std::printf("input: %s (%ju bytes), %d x %d, 8-bit palette\n", g_png.c_str(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(g_png)), kWidth, kHeight);

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::filesystem::remove_all(folder);

    // Names carry their settings ("LibpngAlone/min_time:3.000"): match the stem.
    const auto time_of = [](const std::map<std::string, double>& times, const std::string& stem) {
        for (const auto& [name, time] : times)
            if (name.substr(0, name.find('/')) == stem) return time;
        return 0.0;
    };
    // CPU time is printed too: on a busy machine it is the steadier figure.
    const auto report = [&](const char* what, const char* slow, const char* fast) {
        const auto ratio = [&](const std::map<std::string, double>& times) {
            const double base = time_of(times, fast);
            return base > 0 ? time_of(times, slow) / base : 0.0;
        };
        std::printf("%s: %.3f real, %.3f CPU\n", what, ratio(reporter.real), ratio(reporter.cpu));
    };
    report("per-pixel increase / colour increase", "PerPixelIncrease", "ColourIncrease");
    report("colour increase / libpng alone", "ColourIncrease", "LibpngAlone");
    return 0;
}
