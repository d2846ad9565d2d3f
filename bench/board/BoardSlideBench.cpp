// One 112-pixel piece sliding on a 4 x 4 board: the drawing time per frame,
// the 1 ms sleep left out. The view is a real window on Qt's off-screen
// platform, so showing each frame is counted too; a second case draws on a
// bare raster surface for comparison.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <thread>

#include "board/BoardLayout.h"
#include "board/PuzzleBoard.h"
#include "platform/GuiApplication.h"
#include "platform/Sleep.h"
#include "platform/Surface.h"
#include "platform/SurfaceWidget.h"

namespace {

class BoardWidget : public platform::SurfaceWidget {
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
    SurfaceWindow() : surface_(640, 480, board::kBackground) {}
    void InvalidateRect(int, int, int, int, bool) override {}
    std::unique_ptr<platform::DeviceContext> GetDC() override { return surface_.Context(); }

private:
    platform::Surface surface_;
};

// Slides the piece left of the empty cell right and back again, timing only
// the slides. Without realSleep the 1 ms sleep of each frame is left out.
void SlideBackAndForth(benchmark::State& state, PuzzleBoard& board, const char* label,
                       bool realSleep = false) {
    int frames = 0;
    const platform::SleepHook previous = platform::SetSleepHook([&](int ms) {
        ++frames;
        if (realSleep) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    });
    const int pw = board.PieceWidth();
    const int y = board.top + 3 * pw + pw / 2;
    std::chrono::steady_clock::duration spent{};
    bool right = true;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        board.MoveAt(board.left + (right ? 2 : 3) * pw + pw / 2, y);
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

void SlideOnWindow(benchmark::State& state, bool realSleep) {
    platform::EnsureGuiApplication();
    PuzzleBoard board;
    BoardWidget widget(board);
    widget.resize(640, 480);
    widget.show();
    board.view = &widget;
    board::ApplyLayout(board, board::LayoutForWindow(640, 480));
    QApplication::processEvents();
    widget.paints = 0;
    SlideBackAndForth(state, board, realSleep ? "window with sleep" : "window", realSleep);
    state.counters["paints_per_slide"] = double(widget.paints) / state.iterations();
}

void BM_SlideOnWindow(benchmark::State& state) { SlideOnWindow(state, false); }
BENCHMARK(BM_SlideOnWindow)->Unit(benchmark::kMillisecond)->Iterations(200);

// The whole slide as the player sees it, 1 ms sleeps included: 113 frames
// should take little more than 113 ms.
void BM_SlideOnWindowWithSleep(benchmark::State& state) { SlideOnWindow(state, true); }
BENCHMARK(BM_SlideOnWindowWithSleep)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_SlideOnSurface(benchmark::State& state) {
    platform::EnsureGuiApplication();
    PuzzleBoard board;
    SurfaceWindow window;
    board.view = &window;
    board::ApplyLayout(board, board::LayoutForWindow(640, 480));
    SlideBackAndForth(state, board, "surface");
}
BENCHMARK(BM_SlideOnSurface)->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
