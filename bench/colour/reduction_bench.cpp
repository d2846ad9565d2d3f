// Reducing a 1920 x 1080 photograph-like picture to 256 colours with the
// error diffused, as ImageMagick's `convert -colors 256 -dither
// FloydSteinberg` does. bench/colour/reduction.sh runs both on the same file
// and prints them side by side:
//   bench_reduction write <file.ppm>       writes the picture (binary PPM)
//   bench_reduction <file.ppm> [convert-ms [convert-read-ms]] [benchmark flags]
// With convert's median time (and its time for only reading the file) the
// ratios are printed after the benchmark's own lines.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "colour/ColorDepthFilter.h"
#include "image/Image.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

Image g_picture;

// Broad smooth shading over the whole colour cube, a few sharp-edged
// objects, and independent fine noise on every channel, as a camera gives:
// about a million distinct colours.
std::vector<std::uint8_t> photo_rgb() {
    std::vector<std::uint8_t> rgb(3 * static_cast<std::size_t>(kWidth) * kHeight);
    std::uint32_t seed = 12345;
    const auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        const int a = static_cast<int>(seed >> 28), b = static_cast<int>(seed >> 24 & 15);
        return (a + b - 15) / 2;
    };
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            double r = 128 + 90 * std::sin(x * 0.004 + 1.3 * std::sin(y * 0.003)) + 30 * std::cos((x + y) * 0.011);
            double g = 120 + 100 * std::sin(y * 0.005 + 0.7) * std::cos(x * 0.002) +
                       20 * std::sin(x * 0.03) * std::sin(y * 0.02);
            double b = 110 + 110 * std::cos(x * 0.003 - y * 0.004);
            const double dx = x - 1300.0, dy = y - 500.0;
            if (dx * dx + dy * dy < 250.0 * 250.0) {  // a lit red ball
                const double light = 1 - std::sqrt(dx * dx + dy * dy) / 250.0;
                r = 140 + 115 * light, g = 30 + 60 * light * light, b = 40 + 40 * light;
            }
            if (x > 200 && x < 700 && y > 650 && y < 950)  // a green board in shade
                r = 40 + (x - 200) / 10.0, g = 110 + (y - 650) / 6.0, b = 60;
            std::uint8_t* px = &rgb[3 * (static_cast<std::size_t>(y) * kWidth + x)];
            const double channel[3] = {r, g, b};
            for (int k = 0; k < 3; ++k) {
                const int v = static_cast<int>(channel[k]) + noise();
                px[k] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    return rgb;
}

bool write_ppm(const char* path) {
    std::ofstream file(path, std::ios::binary);
    file << "P6\n" << kWidth << " " << kHeight << "\n255\n";
    const std::vector<std::uint8_t> rgb = photo_rgb();
    file.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
    return static_cast<bool>(file);
}

// Reads the binary PPM that write_ppm makes into a 24-bit image.
bool read_ppm(const char* path, Image& image) {
    std::ifstream file(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maxval = 0;
    file >> magic >> width >> height >> maxval;
    file.get();
    if (!file || magic != "P6" || width < 1 || height < 1 || maxval != 255) return false;
    image.init_header();
    image.set_width(width);
    image.set_height(height);
    image.set_bit_count(24);
    image.create();
    std::vector<std::uint8_t> rgb(3 * static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        if (!file.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()))) return false;
        for (int x = 0; x < width; ++x) std::swap(rgb[3 * x], rgb[3 * x + 2]);
        image.set_color_row(y, rgb.data());
    }
    return true;
}

void ReduceTo256Diffused(benchmark::State& state) {
    ImageFilter::ImageList in{&g_picture};
    int colours = 0;
    for (auto _ : state) {
        ImageFilter::ImageResults out;
        ColorDepthFilter filter(8, 256, true);
        filter.execute(in.begin(), in.end(), out);
        benchmark::DoNotOptimize(out.front()->bitmap());
        colours = filter.color_count();
    }
    state.counters["colours"] = colours;
}

void ReduceTo256Plain(benchmark::State& state) {
    ImageFilter::ImageList in{&g_picture};
    for (auto _ : state) {
        ImageFilter::ImageResults out;
        ColorDepthFilter(8, 256, false).execute(in.begin(), in.end(), out);
        benchmark::DoNotOptimize(out.front()->bitmap());
    }
}

BENCHMARK(ReduceTo256Diffused)->Unit(benchmark::kMillisecond)->Repetitions(7)->Iterations(1);
BENCHMARK(ReduceTo256Plain)->Unit(benchmark::kMillisecond)->Repetitions(7)->Iterations(1);

// Keeps the median real and CPU time of each benchmark, in milliseconds.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    MedianReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.aggregate_name == "median") {
                const std::string name = run.benchmark_name();
                const std::string stem = name.substr(0, name.find('/'));
                real[stem] = run.GetAdjustedRealTime();
                cpu[stem] = run.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> real, cpu;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "write") return write_ppm(argv[2]) ? 0 : 1;
    benchmark::Initialize(&argc, argv);
    if (argc < 2 || !read_ppm(argv[1], g_picture)) {
        std::fprintf(stderr, "usage: %s write <file.ppm> | <file.ppm> [convert-ms [convert-read-ms]]\n", argv[0]);
        return 2;
    }
    const double convert_ms = argc > 2 ? std::atof(argv[2]) : 0;
    const double convert_read_ms = argc > 3 ? std::atof(argv[3]) : 0;
    std::printf("input: %s, %d x %d, 24 bits\n", argv[1], g_picture.width(), g_picture.height());
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double ours = reporter.real["ReduceTo256Diffused"];
    std::printf("reduction to 256 colours, diffused: %.1f ms real, %.1f ms CPU (median of 7)\n", ours,
                reporter.cpu["ReduceTo256Diffused"]);
    if (convert_ms > 0 && ours > 0) {
        std::printf("convert -colors 256 -dither FloydSteinberg: %.1f ms (median, whole command)\n", convert_ms);
        std::printf("ours / convert: %.3f (limit 2.00)\n", ours / convert_ms);
        if (convert_read_ms > 0 && convert_ms > convert_read_ms)
            std::printf("ours / convert without its start and reading (%.1f ms): %.3f\n", convert_ms - convert_read_ms,
                        ours / (convert_ms - convert_read_ms));
    }
    return 0;
}
