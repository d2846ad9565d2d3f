// Opening a 6000 x 4000 PNG until the board is ready to draw (decode, colour
// increase for a palette picture, scaling to a 450 x 450 board), beside
// libpng alone decoding the same file into a plain buffer. Each opening
// starts from the numbers board, as the first picture of a game does.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "bench/support/BenchSupport.h"
#include "board/BoardLayout.h"
#include "document/tesserinDoc.h"

namespace {

std::filesystem::path g_truecolour;
std::filesystem::path g_palette;

void Open(benchmark::State& state, const std::filesystem::path& path) {
    CtesserinDoc document;
    PuzzleBoard& board = document.GetBoard();
    board::ApplyLayout(board, board::LayoutForWindow(480, 480));
    for (auto _ : state) {
        document.OnOpenDocument(path.string());
        state.PauseTiming();
        if (!board.picture || !board.boardImage.is_created()) {
            state.SkipWithError("the picture did not reach the board");
            break;
        }
        document.OnNewDocument();
        state.ResumeTiming();
    }
}

void LibpngTruecolour(benchmark::State& state) {
    for (auto _ : state) bench::DecodeWithLibpng(g_truecolour);
}
void OpenTruecolour(benchmark::State& state) { Open(state, g_truecolour); }
void LibpngPalette(benchmark::State& state) {
    for (auto _ : state) bench::DecodeWithLibpng(g_palette);
}
void OpenPalette(benchmark::State& state) { Open(state, g_palette); }

BENCHMARK(LibpngTruecolour)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(OpenTruecolour)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(LibpngPalette)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(OpenPalette)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const bench::TempFolder folder;
    g_truecolour = folder.Path() / "photo.png";
    g_palette = folder.Path() / "palette.png";
    bench::WritePhotoPng(g_truecolour, bench::PngKind::Truecolour);
    bench::WritePhotoPng(g_palette, bench::PngKind::Palette);
    std::printf("inputs: %s (%ju bytes), %s (%ju bytes)\n", g_truecolour.c_str(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(g_truecolour)), g_palette.c_str(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(g_palette)));

    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("open truecolour PNG / libpng alone", "OpenTruecolour", "LibpngTruecolour", 1.3);
    reporter.PrintRatio("open palette PNG / libpng alone", "OpenPalette", "LibpngPalette", 1.6);
    return 0;
}
