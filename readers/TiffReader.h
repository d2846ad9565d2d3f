#pragma once
// Reads TIFF files with libtiff: the first page, in strips or tiles, of every
// kind libtiff's RGBA interface decodes (1-bit, 8- and 16-bit grey, palette,
// RGB and RGBA, CMYK, JPEG-compressed YCbCr among them), as a 24-bit image.
// Alpha is blended over white, the orientation tag applied and an ICC
// profile turns the colours into sRGB.
//
// A file that ends before the data its directory points at is the file
// error, damaged data the format error, and a page beyond the shared limits
// the image-memory error, found before any pixel memory exists. libtiff
// never prints.

#include "readers/ImageReader.h"

class TiffReader final : public ImageReader {
protected:
    void decode(Image& image, std::istream& in) override;
};
