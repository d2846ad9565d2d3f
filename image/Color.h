#pragma once
// An 8-bit RGB colour, as the image library's palettes and pixels hold it.

#include <algorithm>
#include <cstdint>

struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    Color() = default;
    // Each channel is clamped to 0..255.
    Color(int r, int g, int b) : red(clamp(r)), green(clamp(g)), blue(clamp(b)) {}
    virtual ~Color() = default;
    Color(const Color&) = default;
    Color& operator=(const Color&) = default;
    bool operator==(const Color& o) const { return red == o.red && green == o.green && blue == o.blue; }

private:
    static std::uint8_t clamp(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }
};
