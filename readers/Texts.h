#pragma once
// The open dialog's texts for the format filter.

namespace texts {
inline constexpr const char* kImageFiles = "イメージファイル";
inline constexpr const char* kFileSuffix = " ファイル(";
inline constexpr const char* kBmpDescription = "DIB";
inline constexpr const char* kPngDescription = "PNG";
inline constexpr const char* kJpegDescription = "JPEG";
inline constexpr const char* kWebpDescription = "WebP";
inline constexpr const char* kHeifDescription = "HEIF";
inline constexpr const char* kAvifDescription = "AVIF";
inline constexpr const char* kGifDescription = "GIF";
inline constexpr const char* kTiffDescription = "TIFF";
}  // namespace texts
