#pragma once
// Reads uncompressed, bottom-up Windows bitmaps with an information header of
// 40 bytes or more: palette images of 1, 2, 4 and 8 bits and direct-colour
// images of 24 bits. Everything else is refused with one clear error.

#include <cstdint>
#include <memory>

#include "image/Geometry.h"
#include "image/Image.h"
#include "readers/ImageReader.h"

struct BitmapFileHeader {
    std::uint16_t bfType = 0;
    std::uint32_t bfSize = 0;
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0;
};

class BmpReader final : public ImageReader {
public:
    // The pixel block is the image's own memory: the file's rows are read
    // into it whole, as they share its order and stride.
    virtual Color pixel_color(Point p) const;
    virtual int pixel_index(Point p) const;
    virtual void read_headers(std::istream& in);
    virtual void read_palette(std::istream& in);
    virtual void read_pixels(std::istream& in);

private:
    void decode(Image& image, std::istream& in) override;
    void free_buffers();

    Image* image_ = nullptr;
    std::unique_ptr<BitmapInfo> info_;
    std::unique_ptr<BitmapFileHeader> file_header_;
};
