#pragma once
// A window and drawing context for board tests: fills and frames land in a
// plain pixel grid, everything else is recorded. Text is measured as 8 pixels
// per character by the font's height and is not rasterised.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/DeviceContext.h"
#include "platform/Window.h"

namespace fake {

inline constexpr platform::Rgb kUnpainted{1, 2, 3};

struct TextCall {
    int x, y;
    std::string text;
    platform::Rgb colour;
    platform::Font font;
};

struct Raster {
    int width = 0, height = 0;
    std::vector<platform::Rgb> pixels;
    Raster(int w, int h) : width(w), height(h), pixels(std::size_t(w) * h, kUnpainted) {}
    platform::Rgb At(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
    void Fill(int l, int t, int r, int b, platform::Rgb c) {
        for (int y = std::max(t, 0); y < std::min(b, height); ++y)
            for (int x = std::max(l, 0); x < std::min(r, width); ++x) pixels[std::size_t(y) * width + x] = c;
    }
};

struct Record {
    std::vector<TextCall> texts;
    int fills = 0;
    int contextsOpen = 0;
    int contextsMade = 0;
};

class Context : public platform::DeviceContext {
public:
    Context(Raster& raster, Record& record) : raster_(raster), record_(record) { ++record_.contextsOpen; }
    ~Context() override { --record_.contextsOpen; }
    void FillRect(int l, int t, int r, int b, platform::Rgb c) override {
        ++record_.fills;
        raster_.Fill(l, t, r, b, c);
    }
    void Draw3dRect(int x, int y, int cx, int cy, platform::Rgb tl, platform::Rgb br) override {
        raster_.Fill(x, y, x + cx - 1, y + 1, tl);
        raster_.Fill(x, y, x + 1, y + cy - 1, tl);
        raster_.Fill(x + cx - 1, y, x + cx, y + cy, br);
        raster_.Fill(x, y + cy - 1, x + cx, y + cy, br);
    }
    void SelectFont(const platform::Font& f) override { font_ = f; }
    void SetBkMode(platform::BkMode) override {}
    void SetTextColor(platform::Rgb c) override { colour_ = c; }
    void TextOut(int x, int y, std::string_view text) override {
        record_.texts.push_back({x, y, std::string(text), colour_, font_});
    }
    platform::TextExtent GetTextExtent(std::string_view text) override { return {8 * int(text.size()), font_.height}; }
    void BitBlt(int, int, int, int, const platform::PixelBlock&, int, int) override {}
    void StretchBlt(int, int, int, int, const platform::PixelBlock&, int, int, int, int) override {}

private:
    Raster& raster_;
    Record& record_;
    platform::Font font_;
    platform::Rgb colour_;
};

class Window : public platform::Window {
public:
    Window(int w = 640, int h = 480) : raster(w, h) {}
    void InvalidateRect(int l, int t, int r, int b, bool erase) override {
        invalidated.push_back({l, t, r, b, erase ? 1 : 0});
    }
    std::unique_ptr<platform::DeviceContext> GetDC() override {
        ++record.contextsMade;
        return std::make_unique<Context>(raster, record);
    }
    Context Paint() { return Context(raster, record); }
    double DevicePixelRatio() const override { return ratio; }

    double ratio = 1.0;
    Raster raster;
    Record record;
    std::vector<std::vector<int>> invalidated;  // left, top, right, bottom, erase
};

}  // namespace fake
