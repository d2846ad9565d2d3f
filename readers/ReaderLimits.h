#pragma once
// The limits every reader holds a file's header to before anything is
// allocated for its pixels, and the check that applies them.

#include <cstdint>

#include "image/Image.h"

namespace reader_limits {

// Wider or taller than any photo, scan or panorama a player opens, and still
// above every picture the byte cap alone would take that is not a sliver a
// few pixels high. JPEG stops at 65500 on its own.
inline constexpr std::uint64_t kMaxWidth = std::uint64_t{1} << 19;
inline constexpr std::uint64_t kMaxHeight = std::uint64_t{1} << 19;
// Every pixel the byte cap holds at one bit each: a tighter count would
// refuse 1-bit pictures that Image::create takes.
inline constexpr std::uint64_t kMaxPixels = Image::kMaxImageBytes * 8;
// The pixel memory of one image: Image::create's own cap.
inline constexpr std::uint64_t kMaxBytes = Image::kMaxImageBytes;
// One ancillary chunk or side block (text, colour profile, EXIF) held in
// memory: libpng's own default, kept. No pixel depends on such a block.
inline constexpr std::uint64_t kMaxChunkBytes = 8000000;

// Throws the image-memory error when a picture of width x height pixels of
// bit_count bits, stored in rows padded to 4 bytes as Image stores them,
// passes any limit. The fields are checked one by one before any product is
// formed, so nothing wraps. Zero sizes and unknown bit counts are the
// format's to refuse; they pass here.
void check_size(std::uint64_t width, std::uint64_t height, unsigned bit_count);

}  // namespace reader_limits
