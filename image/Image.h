#pragma once
// The in-memory picture: a bitmap-information header with room for 256
// palette entries, and pixel memory stored bottom-up in rows padded to 4 bytes.
// Indexed images of 1, 2, 4 and 8 bits and blue-green-red images of 24 bits are
// served by the pixel operations; the header accepts other bit counts.
//
// The class is final so that loops over a concrete Image are devirtualised;
// every operation stays virtual.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "image/Color.h"
#include "image/Errors.h"
#include "image/Messages.h"
#include "platform/Geometry.h"

struct BitmapInfoHeader {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

struct RgbQuad {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
};

struct BitmapInfo {
    BitmapInfoHeader bmiHeader;
    RgbQuad bmiColors[256];
};
static_assert(sizeof(BitmapInfo) == 1064);

// Integer power by repeated squaring; a negative exponent gives
// 1 / base^-exp in integer division.
long long ipow(long long base, int exp);

class Image final {
public:
    class not_support : public myexception {
    public:
        explicit not_support(const char* message = messages::kNotSupported) : myexception(message) {}
    };
    class format_error : public myexception {
    public:
        explicit format_error(const char* message = messages::kFormatError) : myexception(message) {}
    };

    // The largest pixel memory an image will allocate.
    static constexpr std::uint64_t kMaxImageBytes = std::uint64_t{1} << 30;

    Image() = default;
    Image(const Image& source);
    Image& operator=(const Image& source);
    // Moving hands the header and pixel memory over; the source is left empty.
    Image(Image&& source) noexcept;
    Image& operator=(Image&& source) noexcept;
    virtual ~Image();

    virtual void clear();
    virtual void init_header();
    virtual void create();
    virtual bool is_created() const;
    virtual int width() const;
    virtual int height() const;
    virtual int bit_count() const;
    virtual int stride() const;
    virtual std::uint32_t image_size() const;
    virtual bool is_grayscale() const;
    virtual std::uint8_t* bitmap() const;
    virtual void set_width(int width);
    virtual void set_height(int height);
    virtual void set_bit_count(int bits);
    virtual void set_grayscale(bool grayscale);
    virtual Color get_color(Point p, bool strict) const;
    virtual void set_color(Point p, Color c, bool strict);
    virtual int get_index(Point p, bool strict) const;
    virtual void set_index(Point p, int value, bool strict);
    virtual void add_color(Point p, int dr, int dg, int db);
    virtual Color palette_color(int i) const;
    virtual void set_palette_color(int i, Color c);
    virtual std::uint32_t palette_size() const;
    virtual int max_palette_size() const;
    virtual void assign(const Image& source);
    virtual void release_bitmap();

    bool contains(Point p) const;

    // The header block (null in the empty image), for drawing the image.
    const BitmapInfo* info() const { return header_.get(); }

    // Row access for bulk work. Each gives exactly the bytes that the
    // per-pixel operations would give, only faster.
    //
    // The stored row of picture row y, or null without pixel memory or
    // outside the picture.
    std::uint8_t* scanline(int y);
    const std::uint8_t* scanline(int y) const;
    // Like set_index with strict true for x = 0 .. width - 1 in order, from
    // one index per byte.
    void set_index_row(int y, const std::uint8_t* indexes);
    // Like set_color with strict true for x = 0 .. width - 1, from
    // blue-green-red triples.
    void set_color_row(int y, const std::uint8_t* bgr);
    // Clears every bit of every row that lies beyond the last pixel, as in
    // pixel memory written only through the pixel operations.
    void clear_row_padding();

private:
    struct FreeBits {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };

    // Throws not_support unless strict index access serves this image.
    void check_indexed() const;
    // Throws not_support unless strict colour access serves this image.
    void check_direct() const;
    std::size_t row_offset(int y) const {
        return static_cast<std::size_t>(height() - 1 - y) * static_cast<std::size_t>(stride_);
    }

    std::unique_ptr<BitmapInfo> header_;
    std::unique_ptr<std::uint8_t, FreeBits> bitmap_;
    int stride_ = 0;
    bool grayscale_ = false;
};
