#include "readers/HeifReader.h"

#include <algorithm>
#include <cstring>
#include <future>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include <libheif/heif.h>
#include <libyuv/planar_functions.h>

#include "image/Image.h"
#include "readers/ColourProfile.h"
#include "readers/QuietStderr.h"
#include "readers/ReaderLimits.h"
#include "readers/StreamBytes.h"

namespace {

// libheif holds each side of every image it makes (a picture, a grid's or an
// overlay's canvas) to one limit, never their product: the side of the
// largest square 24-bit picture the image memory cap takes. An overlay that
// claims a canvas of 17807 x 46019 behind a 24 x 16 picture is so refused
// before libheif allocates it.
constexpr int largest_side() {
    std::uint64_t side = 1;
    while ((side + 1) * (side + 1) * 3 <= reader_limits::kMaxBytes) ++side;
    return static_cast<int>(side);
}
constexpr int kLargestSide = largest_side();

struct FreeContext {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct ReleaseHandle {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ReleaseImage {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct FreeNclx {
    void operator()(heif_color_profile_nclx* n) const { heif_nclx_color_profile_free(n); }
};

// Whether the file is empty, or starts as a HEIF file does and its top-level
// boxes run past its end: libheif reports a cut file as a missing box as
// often as an early end.
bool is_cut(const StreamBytes& file) {
    if (file.size() == 0) return true;
    if (file.size() >= 8 && std::memcmp(file.data() + 4, "ftyp", 4) != 0) return false;
    std::uint64_t at = 0;
    const std::uint64_t end = file.size();
    while (at < end) {
        if (end - at < 8) return true;
        const std::uint8_t* box = file.data() + at;
        std::uint64_t size = (std::uint64_t{box[0]} << 24) | (box[1] << 16) | (box[2] << 8) | box[3];
        if (size == 0) return false;  // runs to the end of the file
        if (size == 1) {
            if (end - at < 16) return true;
            size = 0;
            for (int i = 8; i < 16; ++i) size = (size << 8) | box[i];
        }
        if (size < 8) return false;  // damaged, not cut
        if (size > end - at) return true;
        at += size;
    }
    return false;
}

class Checker {
public:
    explicit Checker(const StreamBytes& file) : file_(file) {}

    void operator()(heif_error e) const {
        if (e.code == heif_error_Ok) return;
        if (e.code == heif_error_Memory_allocation_error || e.subcode == heif_suberror_Security_limit_exceeded) {
            throw exec_error(messages::kNoImageMemory);
        }
        if (e.subcode == heif_suberror_End_of_data || is_cut(file_)) {
            throw file_error(messages::kFileError);
        }
        throw Image::format_error();
    }

private:
    const StreamBytes& file_;
};

// The ICC profile if the file has one Little CMS can use, else its colour
// description.
ColourProfile colour_profile(const heif_image_handle* handle) {
    const std::size_t icc_size = heif_image_handle_get_raw_color_profile_size(handle);
    if (icc_size > 0 && icc_size <= reader_limits::kMaxChunkBytes) {
        std::vector<std::uint8_t> icc(icc_size);
        if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code == heif_error_Ok) {
            ColourProfile profile = ColourProfile::from_icc(icc.data(), icc.size());
            if (profile.converts()) return profile;
        }
    }
    heif_color_profile_nclx* raw = nullptr;
    const heif_error got = heif_image_handle_get_nclx_color_profile(handle, &raw);
    // libheif may hand a description over with an error.
    const std::unique_ptr<heif_color_profile_nclx, FreeNclx> nclx(raw);
    if (got.code != heif_error_Ok || !nclx) return {};
    ColourProfile::Primaries p = ColourProfile::kSrgbPrimaries;
    if (nclx->color_primaries != heif_color_primaries_unspecified) {
        p = {nclx->color_primary_red_x,   nclx->color_primary_red_y,  nclx->color_primary_green_x,
             nclx->color_primary_green_y, nclx->color_primary_blue_x, nclx->color_primary_blue_y,
             nclx->color_primary_white_x, nclx->color_primary_white_y};
    }
    return ColourProfile::from_description(p, nclx->transfer_characteristics);
}

// Runs the work on a thread of its own; with no thread to be had, runs
// nothing and gives no future, and the caller does the work itself.
template <class Work>
std::future<void> beside(Work work) {
    try {
        return std::async(std::launch::async, std::move(work));
    } catch (const std::system_error&) {
        return {};
    }
}

// Value over white with 8-bit alpha, rounded to the nearest.
inline std::uint8_t over_white(int value, int alpha) {
    return static_cast<std::uint8_t>((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

// Turns one decoded row (red-green-blue, maybe alpha, 8 or 16 bits a sample)
// into a stored blue-green-red row.
class RowWriter {
public:
    RowWriter(int bits, bool alpha, bool premultiplied)
        : alpha_(alpha), premultiplied_(premultiplied), wide_(bits > 8) {
        if (!wide_) return;
        // Rounding to the nearest, not dropping the low bits: 1023 is 255
        // and 512 is 128, where a shift would give 128 and 128 for 514.
        const int max = (1 << bits) - 1;
        to_eight_.resize(static_cast<std::size_t>(max) + 1);
        for (int v = 0; v <= max; ++v)
            to_eight_[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }

    void write(const std::uint8_t* from, int width, std::uint8_t* to) const {
        if (!wide_ && !alpha_) {
            // The usual photo: only the byte order changes. libyuv's "raw" is
            // red-green-blue and its "RGB24" blue-green-red; it swaps them
            // with the vector unit the processor has.
            libyuv::RAWToRGB24(from, 0, to, 0, width, 1);
            return;
        }
        const int channels = alpha_ ? 4 : 3;
        for (int x = 0; x < width; ++x, to += 3) {
            int r, g, b, a = 255;
            if (wide_) {
                const std::uint8_t* p = from + static_cast<std::ptrdiff_t>(x) * channels * 2;
                r = eight(p);
                g = eight(p + 2);
                b = eight(p + 4);
                if (alpha_) a = eight(p + 6);
            } else {
                const std::uint8_t* p = from + static_cast<std::ptrdiff_t>(x) * channels;
                r = p[0];
                g = p[1];
                b = p[2];
                if (alpha_) a = p[3];
            }
            if (a != 255) {
                if (premultiplied_) {
                    r = std::min(255, r + 255 - a);
                    g = std::min(255, g + 255 - a);
                    b = std::min(255, b + 255 - a);
                } else {
                    r = over_white(r, a);
                    g = over_white(g, a);
                    b = over_white(b, a);
                }
            }
            to[0] = static_cast<std::uint8_t>(b);
            to[1] = static_cast<std::uint8_t>(g);
            to[2] = static_cast<std::uint8_t>(r);
        }
    }

private:
    int eight(const std::uint8_t* p) const {
        const std::size_t v = p[0] | (p[1] << 8);
        return to_eight_[std::min(v, to_eight_.size() - 1)];
    }

    bool alpha_, premultiplied_, wide_;
    std::vector<std::uint8_t> to_eight_;
};

}  // namespace

void HeifReader::decode(Image& image, std::istream& in) {
    const QuietStderr quiet;
    const StreamBytes file(in);
    const Checker check(file);
    const std::unique_ptr<heif_context, FreeContext> context(heif_context_alloc());
    if (!context) throw exec_error(messages::kNoImageMemory);
    heif_context_set_maximum_image_size_limit(context.get(), kLargestSide);
    check(heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr));

    heif_image_handle* raw_handle = nullptr;
    check(heif_context_get_primary_image_handle(context.get(), &raw_handle));
    const std::unique_ptr<heif_image_handle, ReleaseHandle> handle(raw_handle);
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (width <= 0 || height <= 0) throw Image::format_error();
    reader_limits::check_size(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height), 24);

    const int bits = std::max(heif_image_handle_get_luma_bits_per_pixel(handle.get()),
                              heif_image_handle_get_chroma_bits_per_pixel(handle.get()));
    if (bits > 16) throw Image::format_error();
    const bool wide = bits > 8;
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const heif_chroma chroma = wide ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                    : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    const ColourProfile profile = colour_profile(handle.get());

    image.init_header();
    image.set_width(width);
    image.set_height(height);
    image.set_bit_count(24);
    image.set_grayscale(false);
    image.create();
    // libde265 decodes on one core; meanwhile the other faults in the picture's
    // fresh pages, which would otherwise cost the rows pass most of its time.
    // Without that thread the rows pass faults the pages in itself.
    const std::future<void> touched = beside([&image] {
        std::uint8_t* const pixels = image.bitmap();
        const std::size_t size = image.image_size();
        for (std::size_t at = 0; at < size; at += 4096) pixels[at] = 0;
    });
    heif_image* raw_decoded = nullptr;
    const heif_error decode_error = heif_decode_image(handle.get(), &raw_decoded, heif_colorspace_RGB, chroma, nullptr);
    const std::unique_ptr<heif_image, ReleaseImage> decoded(raw_decoded);
    check(decode_error);
    if (!decoded) throw Image::format_error();
    // Data the decoder had to guess at is damaged data, not a picture.
    // (libheif's strict decoding says the same but loses the image it made.)
    heif_error warning;
    if (heif_image_get_decoding_warnings(decoded.get(), 0, &warning, 1) > 0) throw Image::format_error();
    const int w = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    const int decoded_bits = heif_image_get_bits_per_pixel_range(decoded.get(), heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    if (!plane || w != width || h != height || (decoded_bits > 8) != wide || decoded_bits < 1) {
        throw Image::format_error();
    }

    if (touched.valid()) touched.wait();
    const RowWriter writer(decoded_bits, alpha, heif_image_handle_is_premultiplied_alpha(handle.get()) != 0);
    const auto write_rows = [&](int from, int to) {
        for (int y = from; y < to; ++y) {
            std::uint8_t* row = image.scanline(y);
            writer.write(plane + static_cast<std::ptrdiff_t>(y) * stride, width, row);
            // Converted while the row is still in cache.
            profile.convert(row, width);
        }
    };
    // The pass is bound by memory more than by the swap: two cores share it.
    const int half = height / 2;
    std::future<void> lower = beside([&] { write_rows(half, height); });
    write_rows(0, lower.valid() ? half : height);
    if (lower.valid()) lower.get();
}
