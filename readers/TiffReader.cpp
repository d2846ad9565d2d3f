#include "readers/TiffReader.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <tiffio.h>

#include "image/Image.h"
#include "readers/ColourProfile.h"
#include "readers/Orientation.h"
#include "readers/ReaderLimits.h"
#include "readers/StreamBytes.h"

namespace {

// Rows decoded at a time, rounded up to whole strips or tiles so that no
// strip is decoded twice.
constexpr std::uint32_t kBandRows = 64;

struct Source {
    const std::uint8_t* data = nullptr;
    std::uint64_t size = 0;
    std::uint64_t at = 0;
    bool ended = false;  // libtiff asked for bytes past the end of the file
};

Source& source_of(thandle_t handle) { return *static_cast<Source*>(handle); }

tmsize_t read_proc(thandle_t handle, void* to, tmsize_t length) {
    Source& s = source_of(handle);
    const std::uint64_t left = s.at < s.size ? s.size - s.at : 0;
    const auto wanted = static_cast<std::uint64_t>(std::max<tmsize_t>(length, 0));
    const std::uint64_t got = std::min(wanted, left);
    if (got > 0) std::memcpy(to, s.data + s.at, static_cast<std::size_t>(got));
    if (got < wanted) s.ended = true;
    s.at += got;
    return static_cast<tmsize_t>(got);
}

tmsize_t write_proc(thandle_t, void*, tmsize_t) { return 0; }

toff_t seek_proc(thandle_t handle, toff_t offset, int whence) {
    Source& s = source_of(handle);
    const toff_t base = whence == SEEK_CUR ? s.at : whence == SEEK_END ? s.size : 0;
    s.at = base + offset;
    return s.at;
}

int close_proc(thandle_t) { return 0; }
toff_t size_proc(thandle_t handle) { return source_of(handle).size; }
int map_proc(thandle_t, void**, toff_t*) { return 0; }
void unmap_proc(thandle_t, void*, toff_t) {}

// Returning 1 keeps libtiff's own handlers, which print, from running.
int quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffClose {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};

struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

struct RgbaEnd {
    void operator()(TIFFRGBAImage* rgba) const { TIFFRGBAImageEnd(rgba); }
};

[[noreturn]] void fail(const Source& source) {
    if (source.ended) throw file_error(messages::kFileError);
    throw Image::format_error();
}

// Whether the page is 8-bit RGB in strips, with no other samples: photos as
// most programs save them, which need none of the RGBA interface's packing.
bool plain_rgb(TIFF* tif) {
    std::uint16_t bits = 0, samples = 0, photometric = 0, planar = 0;
    return !TIFFIsTiled(tif) && TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits) && bits == 8 &&
           TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples) && samples == 3 &&
           TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) && photometric == PHOTOMETRIC_RGB &&
           TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar) && planar == PLANARCONFIG_CONTIG;
}

// Decodes each strip, turns its red-green-blue into blue-green-red and
// places it.
void read_rgb_strips(TIFF* tif, const Source& source, OrientedRows& placer, std::uint32_t width, std::uint32_t height,
                     std::uint32_t strip_rows) {
    const std::size_t row_bytes = 3 * std::size_t{width};
    reader_limits::check_size(width, strip_rows, 24);
    const std::unique_ptr<std::uint8_t[]> strip(new std::uint8_t[row_bytes * strip_rows + 1]);
    for (std::uint32_t first = 0; first < height; first += strip_rows) {
        const std::uint32_t rows = std::min(strip_rows, height - first);
        const auto bytes = static_cast<tmsize_t>(row_bytes * rows);
        if (TIFFReadEncodedStrip(tif, first / strip_rows, strip.get(), bytes) != bytes) fail(source);
        for (std::uint8_t *p = strip.get(), *end = p + bytes; p < end; p += 3) std::swap(p[0], p[2]);
        placer.place(static_cast<int>(first), static_cast<int>(rows), strip.get(),
                     static_cast<std::ptrdiff_t>(row_bytes));
    }
}

// A premultiplied sample over white.
inline std::uint8_t over_white(std::uint32_t sample, std::uint32_t alpha) {
    return static_cast<std::uint8_t>(std::min<std::uint32_t>(sample + 255 - alpha, 255));
}

// Every other kind through libtiff's RGBA interface, in bands of whole strips
// or tiles, alpha blended over white.
void read_rgba(TIFFRGBAImage& rgba, const Source& source, OrientedRows& placer, std::uint32_t width,
               std::uint32_t height, std::uint32_t unit) {
    const std::uint32_t band = std::min(height, (kBandRows + unit - 1) / unit * unit);
    reader_limits::check_size(width, band, 32);
    const std::unique_ptr<std::uint32_t[]> raster(new std::uint32_t[std::size_t{width} * band]);
    const std::size_t row_bytes = 3 * std::size_t{width};
    const std::unique_ptr<std::uint8_t[]> strip(new std::uint8_t[row_bytes * band + 1]);
    for (std::uint32_t first = 0; first < height; first += band) {
        const std::uint32_t rows = std::min(band, height - first);
        rgba.row_offset = static_cast<int>(first);
        rgba.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba, raster.get(), width, rows)) fail(source);
        const std::uint32_t* from = raster.get();
        std::uint8_t* to = strip.get();
        for (std::size_t i = 0, n = std::size_t{width} * rows; i < n; ++i, to += 3) {
            const std::uint32_t px = from[i];
            const std::uint32_t a = TIFFGetA(px);
            to[0] = over_white(TIFFGetB(px), a);
            to[1] = over_white(TIFFGetG(px), a);
            to[2] = over_white(TIFFGetR(px), a);
        }
        placer.place(static_cast<int>(first), static_cast<int>(rows), strip.get(),
                     static_cast<std::ptrdiff_t>(row_bytes));
    }
}

}  // namespace

void TiffReader::decode(Image& image, std::istream& in) {
    const StreamBytes file(in);
    Source source{file.data(), file.size()};

    const std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) throw exec_error(messages::kNoImageMemory);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(reader_limits::kMaxBytes));
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), quiet, nullptr);
    // "m": every byte comes through read_proc, which tells a cut file.
    const std::unique_ptr<TIFF, TiffClose> tif(TIFFClientOpenExt("picture", "rm", &source, read_proc, write_proc,
                                                                 seek_proc, close_proc, size_proc, map_proc, unmap_proc,
                                                                 options.get()));
    if (!tif) fail(source);

    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0) {
        throw Image::format_error();
    }
    reader_limits::check_size(width, height, 24);

    char message[1024];
    if (!TIFFRGBAImageOK(tif.get(), message)) fail(source);
    TIFFRGBAImage rgba{};
    if (!TIFFRGBAImageBegin(&rgba, tif.get(), 1, message)) fail(source);
    const std::unique_ptr<TIFFRGBAImage, RgbaEnd> end(&rgba);
    // Decoded in stored order; the turn is done here, as for every format.
    const int orientation = rgba.orientation;
    rgba.req_orientation = rgba.orientation;

    const bool turned = OrientedRows::swaps_sides(orientation);
    image.init_header();
    image.set_width(static_cast<int>(turned ? height : width));
    image.set_height(static_cast<int>(turned ? width : height));
    image.set_bit_count(24);
    image.create();

    std::uint32_t unit = 0;
    if (TIFFIsTiled(tif.get())) {
        TIFFGetField(tif.get(), TIFFTAG_TILELENGTH, &unit);
    } else {
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ROWSPERSTRIP, &unit);
    }
    unit = std::clamp<std::uint32_t>(unit, 1, height);
    OrientedRows placer(image, orientation, static_cast<int>(width), static_cast<int>(height), 3);
    if (plain_rgb(tif.get())) {
        read_rgb_strips(tif.get(), source, placer, width, height, unit);
    } else {
        read_rgba(rgba, source, placer, width, height, unit);
    }
    // A profile that cannot be used converts nothing.
    std::uint32_t icc_size = 0;
    const void* icc = nullptr;
    if (TIFFGetField(tif.get(), TIFFTAG_ICCPROFILE, &icc_size, &icc))
        ColourProfile::from_icc(icc, icc_size).convert(image);
}
