// Decoding the 6000 x 4000 photo from a lossy WebP (quality 90), a GIF (the
// format holds it: its sides go to 65 535) and an LZW-compressed TIFF into an
// Image, beside each library alone decoding the same file into a plain buffer.
// The files are made at run time.
#include <benchmark/benchmark.h>

#include <gif_lib.h>
#include <tiffio.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "bench/readers/PictureBench.h"
#include "image/Image.h"
#include "readers/GifReader.h"
#include "readers/TiffReader.h"
#include "readers/WebpReader.h"

namespace {

constexpr int kWidth = bench::kPhotoWidth;
constexpr int kHeight = bench::kPhotoHeight;

std::filesystem::path g_webp;
std::filesystem::path g_gif;
std::filesystem::path g_tiff;

[[noreturn]] void give_up(const char* what) {
    std::fprintf(stderr, "cannot make the %s input\n", what);
    std::exit(1);
}

std::string file_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_webp(const std::filesystem::path& path) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(3 * static_cast<std::size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        const auto row = bench::PhotoRow(y, kWidth);
        rgb.insert(rgb.end(), row.begin(), row.end());
    }
    std::uint8_t* out = nullptr;
    const std::size_t size = WebPEncodeRGB(rgb.data(), kWidth, kHeight, 3 * kWidth, 90, &out);
    if (size == 0) give_up("WebP");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out), static_cast<std::streamsize>(size));
    WebPFree(out);
}

void write_gif(const std::filesystem::path& path) {
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    for (int i = 0; map && i < 256; ++i) {
        const bench::Entry e = bench::PaletteEntry(i);
        map->Colors[i] = {e.red, e.green, e.blue};
    }
    bool ok = gif && map && EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < kHeight; ++y) {
        auto row = bench::PaletteRow(y, kWidth);
        ok = EGifPutLine(gif, row.data(), kWidth) == GIF_OK;
    }
    GifFreeMapObject(map);
    if (!gif || EGifCloseFile(gif, &error) != GIF_OK || !ok) give_up("GIF");
}

void write_tiff(const std::filesystem::path& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif) give_up("TIFF");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
    bool ok = true;
    for (int y = 0; ok && y < kHeight; ++y) {
        auto row = bench::PhotoRow(y, kWidth);
        ok = TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
    }
    TIFFClose(tif);
    if (!ok) give_up("TIFF");
}

void LibwebpAlone(benchmark::State& state) {
    for (auto _ : state) {
        const std::string bytes = file_bytes(g_webp);
        int w = 0, h = 0;
        std::uint8_t* pixels = WebPDecodeRGB(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), &w, &h);
        if (!pixels) std::abort();
        benchmark::DoNotOptimize(pixels);
        WebPFree(pixels);
    }
}

void GiflibAlone(benchmark::State& state) {
    for (auto _ : state) {
        int error = 0;
        GifFileType* gif = DGifOpenFileName(g_gif.c_str(), &error);
        if (!gif || DGifSlurp(gif) != GIF_OK) std::abort();
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &error);
    }
}

void LibtiffAlone(benchmark::State& state) {
    for (auto _ : state) {
        TIFF* tif = TIFFOpen(g_tiff.c_str(), "r");
        if (!tif) std::abort();
        std::unique_ptr<std::uint32_t[]> raster(new std::uint32_t[static_cast<std::size_t>(kWidth) * kHeight]);
        if (!TIFFReadRGBAImageOriented(tif, kWidth, kHeight, raster.get(), ORIENTATION_TOPLEFT, 1)) std::abort();
        benchmark::DoNotOptimize(raster.get());
        TIFFClose(tif);
    }
}

template <typename Reader>
void read_into_image(benchmark::State& state, const std::filesystem::path* path) {
    for (auto _ : state) {
        std::ifstream in(*path, std::ios::binary);
        Image image;
        Reader().read(image, in);
        benchmark::DoNotOptimize(image.bitmap());
    }
}

void WebpReaderIntoImage(benchmark::State& state) { read_into_image<WebpReader>(state, &g_webp); }
void GifReaderIntoImage(benchmark::State& state) { read_into_image<GifReader>(state, &g_gif); }
void TiffReaderIntoImage(benchmark::State& state) { read_into_image<TiffReader>(state, &g_tiff); }

BENCHMARK(LibwebpAlone)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(WebpReaderIntoImage)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(GiflibAlone)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(GifReaderIntoImage)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(LibtiffAlone)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(TiffReaderIntoImage)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

namespace bench {

void WritePictureInputs(const std::filesystem::path& folder) {
    g_webp = folder / "photo.webp";
    g_gif = folder / "photo.gif";
    g_tiff = folder / "photo.tif";
    write_webp(g_webp);
    write_gif(g_gif);
    write_tiff(g_tiff);
    for (const auto* path : {&g_webp, &g_gif, &g_tiff}) {
        std::printf("input: %s (%ju bytes)\n", path->c_str(),
                    static_cast<std::uintmax_t>(std::filesystem::file_size(*path)));
    }
}

void PrintPictureRatios(const RatioReporter& reporter) {
    reporter.PrintRatio("WebP reader / libwebp alone", "WebpReaderIntoImage", "LibwebpAlone", 1.15);
    reporter.PrintRatio("GIF reader / giflib alone", "GifReaderIntoImage", "GiflibAlone", 1.15);
    reporter.PrintRatio("TIFF reader / libtiff alone", "TiffReaderIntoImage", "LibtiffAlone", 1.15);
}

}  // namespace bench
