// Decoding a 6000 x 4000 JPEG photo (quality 90, 4:2:0) into an Image, upright
// and in each other EXIF orientation, beside libjpeg alone decoding the same
// photo into a plain buffer. The files are made at run time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <jpeglib.h>

#include "bench/readers/JpegBench.h"
#include "bench/support/BenchSupport.h"
#include "image/Image.h"
#include "readers/JpegReader.h"
#include "tests/readers/JpegWriter.h"

namespace {

// Orientation 1 (upright) to 8; [0] is unused.
std::filesystem::path g_files[9];

std::string encode_photo() {
    jpegtest::JpegParams p;
    p.width = bench::kPhotoWidth;
    p.height = bench::kPhotoHeight;
    p.h_sampling = 2;
    p.v_sampling = 2;
    p.quality = 90;
    p.pixels.reserve(static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height) * 3);
    for (int y = 0; y < p.height; ++y) {
        const auto row = bench::PhotoRow(y, p.width);
        p.pixels.insert(p.pixels.end(), row.begin(), row.end());
    }
    return jpegtest::encode_jpeg(p);
}

// The photo with an EXIF block right after its start marker.
void write_jpeg(const std::filesystem::path& path, const std::string& photo, int orientation) {
    std::string bytes = photo;
    if (orientation != 1) {
        const std::string exif = jpegtest::exif_block(orientation);
        const std::size_t length = exif.size() + 2;
        const char marker[] = {'\xFF', '\xE1', static_cast<char>(length >> 8), static_cast<char>(length & 0xFF)};
        bytes.insert(2, std::string(marker, sizeof marker) + exif);
    }
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

void LibjpegAlone(benchmark::State& state) {
    for (auto _ : state) {
        std::FILE* file = std::fopen(g_files[1].c_str(), "rb");
        if (!file) std::abort();
        jpeg_decompress_struct cinfo{};
        jpeg_error_mgr err{};
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, file);
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        const std::size_t row_bytes = static_cast<std::size_t>(cinfo.output_width) * 3;
        std::unique_ptr<std::uint8_t[]> pixels(new std::uint8_t[row_bytes * cinfo.output_height]);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.get() + row_bytes * cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        std::fclose(file);
        benchmark::DoNotOptimize(pixels.get());
    }
}

void read_into_image(benchmark::State& state, const std::filesystem::path& path) {
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        Image image;
        JpegReader().read(image, in);
        benchmark::DoNotOptimize(image.bitmap());
    }
}

void JpegReaderUpright(benchmark::State& state) { read_into_image(state, g_files[1]); }

BENCHMARK(LibjpegAlone)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(JpegReaderUpright)->Unit(benchmark::kMillisecond)->MinTime(3.0);

std::string orientation_name(int orientation) { return "JpegReaderOrientation" + std::to_string(orientation); }

}  // namespace

namespace bench {

void WriteJpegInputs(const std::filesystem::path& folder) {
    const std::string photo = encode_photo();
    for (int orientation = 1; orientation <= 8; ++orientation) {
        g_files[orientation] = folder / ("orientation" + std::to_string(orientation) + ".jpg");
        write_jpeg(g_files[orientation], photo, orientation);
        if (orientation == 1) continue;
        benchmark::RegisterBenchmark(orientation_name(orientation).c_str(), read_into_image, g_files[orientation])
            ->Unit(benchmark::kMillisecond)
            ->MinTime(3.0);
    }
    std::printf("inputs: %s and the same in orientations 2 to 8 (%ju bytes)\n", g_files[1].c_str(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(g_files[1])));
}

void PrintJpegRatios(const RatioReporter& reporter) {
    reporter.PrintRatio("JPEG reader upright / libjpeg alone", "JpegReaderUpright", "LibjpegAlone", 1.15);
    for (int orientation = 2; orientation <= 8; ++orientation) {
        const std::string what = "JPEG reader orientation " + std::to_string(orientation) + " / libjpeg alone";
        reporter.PrintRatio(what.c_str(), orientation_name(orientation), "LibjpegAlone", 1.15);
    }
}

}  // namespace bench
