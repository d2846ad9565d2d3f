// One 112-pixel piece sliding on a 4 x 4 board: the drawing time per frame,
// the 1 ms sleep left out. The view is a real window on Qt's off-screen
// platform, so showing each frame is counted too; a second case draws on a
// bare raster surface for comparison. A 10 x 10 board of a photo does the
// same with picture pieces, and the relayout of that board (scaling a
// 6000 x 4000 photo to the board) is timed on its own. The bare-surface
// cases and the relayout run again at twice the density, where a frame draws
// four times the pixels and the picture is prepared at four times the size.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "board/BoardLayout.h"
#include "board/PuzzleBoard.h"
#include "display/Surface.h"
#include "display/SurfaceWidget.h"
#include "platform/Sleep.h"

namespace {

class BoardWidget : public display::SurfaceWidget {
public:
    explicit BoardWidget(PuzzleBoard& board) : board_(board) { SetBackground(board::kBackground); }
    int paints = 0;  // shows on the screen, to see that every frame is shown

protected:
    void OnDraw(platform::DeviceContext& dc) override { board_.Draw(dc); }
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        SurfaceWidget::paintEvent(event);
    }

private:
    PuzzleBoard& board_;
};

// A window that is only a raster surface: no screen behind it.
class SurfaceWindow : public platform::Window {
public:
    explicit SurfaceWindow(double ratio = 1.0) : surface_(640, 480, board::kBackground, ratio) {}
    // A new filled surface, as the widget makes on every resize before the
    // board is laid out again.
    void Resize() { surface_ = display::Surface(640, 480, board::kBackground, surface_.Ratio()); }
    void InvalidateRect(int, int, int, int, bool) override {}
    std::unique_ptr<platform::DeviceContext> GetDC() override { return surface_.Context(); }
    double DevicePixelRatio() const override { return surface_.Ratio(); }

private:
    display::Surface surface_;
};

// Slides the piece left of the empty cell right and back again, timing only
// the slides. Without realSleep the 1 ms sleep of each frame is left out.
void SlideBackAndForth(benchmark::State& state, PuzzleBoard& board, const char* label, bool realSleep = false) {
    int frames = 0;
    const platform::SleepHook previous = platform::SetSleepHook([&](int ms) {
        ++frames;
        if (realSleep) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    });
    const int pw = board.PieceWidth();
    const int last = board.columns - 1;
    const int y = board.top + last * board.PieceHeight() + board.PieceHeight() / 2;
    std::chrono::steady_clock::duration spent{};
    bool right = true;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        board.MoveAt(board.left + (right ? last - 1 : last) * pw + pw / 2, y);
        spent += std::chrono::steady_clock::now() - start;
        state.PauseTiming();
        QApplication::processEvents();  // the repaint the slide asked for
        board.solved = false;           // the move back completes the board
        right = !right;
        state.ResumeTiming();
    }
    platform::SetSleepHook(previous);
    const double us = std::chrono::duration<double, std::micro>(spent).count() / frames;
    state.counters["us_per_frame"] = us;
    state.counters["frames_per_slide"] = double(frames) / state.iterations();
    state.counters["ms_per_slide"] = us * frames / 1000.0 / state.iterations();
    std::printf("%s: %.1f us per frame over %d frames\n", label, us, frames);
}

// A photo-sized picture with detail everywhere, so no copy is trivially cheap.
Image Photo(int w, int h) {
    Image image;
    image.init_header();
    image.set_width(w);
    image.set_height(h);
    image.set_bit_count(24);
    image.create();
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = image.scanline(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(x * 7 + y);
            row[3 * x + 1] = static_cast<std::uint8_t>(x ^ y);
            row[3 * x + 2] = static_cast<std::uint8_t>(y * 3 - x);
        }
    }
    return image;
}

void SlideOnWindow(benchmark::State& state, bool realSleep, Image* picture = nullptr, int grid = 4) {
    PuzzleBoard board;
    BoardWidget widget(board);
    widget.resize(640, 480);
    widget.show();
    board.view = &widget;
    board.columns = board.rows = grid;
    board::ApplyLayout(board, board::LayoutForWindow(640, 480));
    if (picture) board.SetPicture(picture);
    QApplication::processEvents();
    widget.paints = 0;
    const char* label = picture ? "10 x 10 picture, window" : realSleep ? "window with sleep" : "window";
    SlideBackAndForth(state, board, label, realSleep);
    state.counters["paints_per_slide"] = double(widget.paints) / state.iterations();
}

void BM_PictureSlideOnWindow(benchmark::State& state) {
    Image photo = Photo(1200, 800);
    SlideOnWindow(state, false, &photo, 10);
}
BENCHMARK(BM_PictureSlideOnWindow)->Unit(benchmark::kMillisecond)->Iterations(200);

// One relayout of a 450 x 450 board showing a 6000 x 4000 photo, at the
// density of state.range(0) device pixels per logical pixel. Each follows a
// new surface, untimed, as in the window: Qt's fill leaves the vector
// registers' upper halves in use, which slows the scaling's scalar code
// until something clears them.
void BM_RebuildWithPhoto(benchmark::State& state) {
    Image photo = Photo(6000, 4000);
    PuzzleBoard board;
    SurfaceWindow window(double(state.range(0)));
    board.view = &window;
    board::ApplyLayout(board, board::LayoutForWindow(480, 480));
    board.SetPicture(&photo);
    for (auto _ : state) {
        state.PauseTiming();
        window.Resize();
        state.ResumeTiming();
        board.Rebuild(true, true);
    }
    std::printf("rebuild of a %d x %d board from a 6000 x 4000 photo at %gx: a %d x %d picture\n", board.width,
                board.height, board.boardImageRatio, board.boardImage.width(), board.boardImage.height());
}
BENCHMARK(BM_RebuildWithPhoto)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_SlideOnWindow(benchmark::State& state) { SlideOnWindow(state, false); }
BENCHMARK(BM_SlideOnWindow)->Unit(benchmark::kMillisecond)->Iterations(200);

// The whole slide as the player sees it, 1 ms sleeps included: 113 frames
// should take little more than 113 ms.
void BM_SlideOnWindowWithSleep(benchmark::State& state) { SlideOnWindow(state, true); }
BENCHMARK(BM_SlideOnWindowWithSleep)->Unit(benchmark::kMillisecond)->Iterations(20);

// On a bare surface of state.range(0) device pixels per logical pixel; with
// state.range(1) the 10 x 10 photo board instead of the numbers.
void BM_SlideOnSurface(benchmark::State& state) {
    Image photo = Photo(1200, 800);
    PuzzleBoard board;
    SurfaceWindow window(double(state.range(0)));
    board.view = &window;
    const bool picture = state.range(1) != 0;
    if (picture) board.columns = board.rows = 10;
    board::ApplyLayout(board, board::LayoutForWindow(640, 480));
    if (picture) board.SetPicture(&photo);
    const std::string label =
        std::string(picture ? "10 x 10 picture, " : "") + "surface at " + std::to_string(state.range(0)) + "x";
    SlideBackAndForth(state, board, label.c_str());
}
BENCHMARK(BM_SlideOnSurface)
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // Text and windows need the application, made first as the program does;
    // without a display on Qt's off-screen platform.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
