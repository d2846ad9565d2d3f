// Scaling a 6000 x 4000 photo into a 450 x 450 board the way the board does
// it (proportions kept, white margins, one sample), against the plain
// per-pixel form: a full copy of the source, then four strict reads per
// sample and a strict write per pixel.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "image/Image.h"
#include "image/ResizeFilter.h"
#include "tests/image/resize_reference.h"

namespace {

const Color kWhite(255, 255, 255);
const Size kBoard(450, 450);

// A photo-sized picture with smooth gradients and some fine detail.
const Image& photo() {
    static const Image image = [] {
        Image p;
        p.init_header();
        p.set_width(6000);
        p.set_height(4000);
        p.set_bit_count(24);
        p.create();
        for (int y = 0; y < p.height(); ++y) {
            std::uint8_t* row = p.scanline(y);
            for (int x = 0; x < p.width(); ++x) {
                row[3 * x] = static_cast<std::uint8_t>(x / 24);
                row[3 * x + 1] = static_cast<std::uint8_t>(y / 16);
                row[3 * x + 2] = static_cast<std::uint8_t>((x ^ y) & 0xFF);
            }
        }
        return p;
    }();
    return image;
}

std::unique_ptr<Image> scale_for_board(const Image& source) {
    ResizeFilter filter(kBoard, true, true, kWhite, 1);
    ImageFilter::ImageList in{const_cast<Image*>(&source)};
    ImageFilter::ImageResults out;
    filter.execute(in.begin(), in.end(), out);
    return std::move(out.front());
}

void BM_ResizeFilter(benchmark::State& state) {
    const Image& source = photo();
    for (auto _ : state) benchmark::DoNotOptimize(scale_for_board(source));
}
BENCHMARK(BM_ResizeFilter)->Unit(benchmark::kMillisecond);

void BM_PlainPerPixel(benchmark::State& state) {
    const Image& source = photo();
    const reference::Settings settings{kBoard, true, true, kWhite, 1};
    for (auto _ : state) benchmark::DoNotOptimize(reference::resize(source, settings));
}
BENCHMARK(BM_PlainPerPixel)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const auto fast = scale_for_board(photo());
    const auto plain = reference::resize(photo(), {kBoard, true, true, kWhite, 1});
    const bool same = fast->image_size() == plain->image_size() &&
                      std::memcmp(fast->bitmap(), plain->bitmap(), plain->image_size()) == 0;
    std::printf("6000x4000 into %dx%d: results %s\n", kBoard.cx, kBoard.cy, same ? "identical" : "DIFFER");
    std::fflush(stdout);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return same ? 0 : 1;
}
