#pragma once
// The drawing seam. The game and the image library draw only through these
// plain C++ types; display/ draws them with Qt.

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    constexpr bool operator==(const Rgb&) const = default;
};

// A font request with the arguments CreateFontA takes. A positive height is
// the character cell height in pixels (ascent + descent); a negative one is
// the em height. Plain data: a context copies what it selects, so a font can
// be dropped at any time without leaving a context pointing at it.
struct Font {
    int height = 0;
    int width = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charSet = 0;
    int outPrecision = 0;
    int clipPrecision = 0;
    int quality = 0;
    int pitchAndFamily = 0;
    std::string face;
    bool operator==(const Font&) const = default;
};

// Where the edge before logical pixel v lies on a device with ratio device
// pixels per logical pixel. Every drawing maps its edges this one way, so
// areas that share an edge share it on the device too: no seams, no overlap,
// whole device pixels at fractional ratios.
inline std::int64_t DeviceEdge(std::int64_t v, double ratio) {
    if (ratio == 1.0) return v;
    return static_cast<std::int64_t>(std::floor(static_cast<double>(v) * ratio + 0.5));
}

enum class BkMode { Transparent = 1, Opaque = 2 };

struct TextExtent {
    int cx = 0;
    int cy = 0;
};

// A 24-bit picture in the layout of a bottom-up device-independent bitmap:
// `height` rows of `stride` bytes, the first stored row the bottom one, three
// bytes blue, green, red per pixel.
struct PixelBlock {
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

class DeviceContext {
public:
    virtual ~DeviceContext() = default;

    // Fills [left, right) x [top, bottom).
    virtual void FillRect(int left, int top, int right, int bottom, Rgb colour) = 0;

    // A one-pixel frame around the cx x cy box at (x, y): row y and column x up
    // to (but not including) the far corners in topLeft; column x + cx - 1 and
    // row y + cy - 1 in full in bottomRight.
    virtual void Draw3dRect(int x, int y, int cx, int cy, Rgb topLeft, Rgb bottomRight) = 0;

    virtual void SelectFont(const Font& font) = 0;
    virtual void SetBkMode(BkMode mode) = 0;
    virtual void SetTextColor(Rgb colour) = 0;

    // UTF-8 text whose character cell's top-left corner is (x, y).
    virtual void TextOut(int x, int y, std::string_view text) = 0;
    virtual TextExtent GetTextExtent(std::string_view text) = 0;

    // Copies w x h pixels whose top-left source pixel is (sx, sy) in picture
    // coordinates (y downward) to (x, y). Pixels outside the source are skipped.
    virtual void BitBlt(int x, int y, int w, int h, const PixelBlock& source, int sx, int sy) = 0;

    // Copies the sw x sh source pixels at (sx, sy) onto the w x h area at
    // (x, y), taking the nearest source pixel for every device pixel. A
    // source of the area's device size lands pixel for pixel: a picture
    // prepared at device resolution stays sharp. Pixels outside the source
    // are skipped.
    virtual void StretchBlt(int x, int y, int w, int h, const PixelBlock& source, int sx, int sy, int sw, int sh) = 0;

    // Selects and realises a palette of entries for later indexed drawing.
    // A true-colour surface has no palette, so by default this does nothing.
    virtual void RealizePalette(const Rgb* /*entries*/, int /*count*/) {}
};

}  // namespace platform
