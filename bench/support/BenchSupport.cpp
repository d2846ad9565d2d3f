#include "bench/support/BenchSupport.h"

#include <png.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace bench {

namespace {
std::uint32_t Noise(std::uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 29;
}
}  // namespace

std::vector<std::uint8_t> PhotoRow(int y, int width) {
    std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(width));
    std::uint32_t noise = 2166136261u ^ static_cast<std::uint32_t>(y);
    for (int x = 0; x < width; ++x) {
        const int n = static_cast<int>(Noise(noise));
        row[3 * x + 0] = static_cast<std::uint8_t>((x / 24 + n) & 0xFF);
        row[3 * x + 1] = static_cast<std::uint8_t>((y / 16 + n) & 0xFF);
        row[3 * x + 2] = static_cast<std::uint8_t>(((x + y) / 40 + n) & 0xFF);
    }
    return row;
}

std::vector<std::uint8_t> PaletteRow(int y, int width) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
    std::uint32_t noise = 2166136261u ^ static_cast<std::uint32_t>(y);
    for (int x = 0; x < width; ++x) row[x] = static_cast<std::uint8_t>(((x + y) / 40 + Noise(noise)) & 0xFF);
    return row;
}

Entry PaletteEntry(int i) {
    return {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>((i * 7) & 0xFF),
            static_cast<std::uint8_t>(255 - i)};
}

void WritePhotoPng(const std::filesystem::path& path, PngKind kind, int width, int height) {
    FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!file || !png || !info || setjmp(png_jmpbuf(png))) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    png_init_io(png, file);
    const bool palette = kind == PngKind::Palette;
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 palette ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (palette) {
        png_color entries[256];
        for (int i = 0; i < 256; ++i) {
            const Entry e = PaletteEntry(i);
            entries[i] = {e.red, e.green, e.blue};
        }
        png_set_PLTE(png, info, entries, 256);
    }
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) png_write_row(png, (palette ? PaletteRow(y, width) : PhotoRow(y, width)).data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

void DecodeWithLibpng(const std::filesystem::path& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
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

TempFolder::TempFolder() {
    char pattern[] = "/tmp/tesserin-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        // With repetitions the median stands for the benchmark; the other
        // aggregates are no times (the coefficient of variation is a share).
        if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
        // Names carry their settings ("LibpngAlone/min_time:3.000").
        const std::string name = run.run_name.function_name;
        const std::string stem = name.substr(0, name.find('/'));
        real_[stem] = run.GetAdjustedRealTime();
        cpu_[stem] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
}

void RatioReporter::PrintRatio(const char* what, const std::string& slow, const std::string& fast, double limit) const {
    // A pair that was filtered out, or only listed, has no figure to give.
    if (!real_.count(slow) || !real_.count(fast)) return;
    const auto ratio = [&](const std::map<std::string, double>& times) {
        const double f = times.at(fast);
        return f <= 0 ? 0.0 : times.at(slow) / f;
    };
    if (limit > 0)
        std::printf("%s: %.3f real, %.3f CPU (limit %.2f)\n", what, ratio(real_), ratio(cpu_), limit);
    else
        std::printf("%s: %.3f real, %.3f CPU\n", what, ratio(real_), ratio(cpu_));
}

}  // namespace bench
