#pragma once
// The orientation an EXIF block gives a picture, for every reader whose
// format carries one.

#include <cstddef>
#include <cstdint>

// The orientation tag (1 to 8, as EXIF numbers them) of the first image
// directory of EXIF data that starts at its TIFF header ("II*\0" or
// "MM\0*"): the data of PNG's eXIf and WebP's EXIF chunks as they stand, a
// JPEG APP1 block after its "Exif\0\0" name. 1, the picture as stored, when
// the data holds no valid orientation; nothing past size is read.
int exif_orientation(const std::uint8_t* tiff, std::size_t size);
