#pragma once
// Reads GIF files with giflib: the first frame, interlaced or not, with its
// local colour table or the global one, composed on the logical screen,
// becomes an 8-bit palette image. The transparent colour, and the screen the
// frame leaves uncovered, show white.
//
// A file that ends early is the file error, damaged data the format error,
// and a screen or frame beyond the shared limits the image-memory error,
// found before any pixel memory exists. giflib never prints.

#include "readers/ImageReader.h"

class GifReader final : public ImageReader {
protected:
    void decode(Image& image, std::istream& in) override;
};
