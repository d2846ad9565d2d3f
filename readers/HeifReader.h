#pragma once
// Reads HEIF (HEIC) and AVIF files with libheif: the primary image, with the
// file's own rotation, mirroring and crop applied, as a 24-bit image. 10- and
// 12-bit pictures are rounded to 8 bits; alpha is blended over white. An ICC
// profile, or else the file's colour description, is converted to sRGB
// (ColourProfile); a picture with neither is copied unchanged.
//
// The file is read into memory (under the image memory cap) and handed to
// libheif, whose own size limit is set from the shared limits. A cut file
// gives the file error, damaged data the format error, a picture beyond the
// limits the image-memory error before its pixels are decoded. libheif and its
// decoders are told to print nothing.

#include <istream>

#include "readers/ImageReader.h"

class HeifReader final : public ImageReader {
protected:
    void decode(Image& image, std::istream& in) override;
};
