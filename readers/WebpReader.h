#pragma once
// Reads WebP files with libwebp: lossy and lossless pictures, either with
// alpha, and the first frame of an animation composed on its canvas. Every
// picture becomes a 24-bit image, transparent pixels blended over white; an
// EXIF orientation is applied as for JPEG, and an ICC profile turns the
// colours into sRGB.
//
// A file that ends before its RIFF header says is the file error, damaged
// data the format error, and a canvas beyond the shared limits the
// image-memory error, found before any pixel memory exists.

#include "readers/ImageReader.h"

class WebpReader final : public ImageReader {
protected:
    void decode(Image& image, std::istream& in) override;
};
