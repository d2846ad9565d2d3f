#include "readers/WebpReader.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>

#include "image/Image.h"
#include "readers/ColourProfile.h"
#include "readers/ExifOrientation.h"
#include "readers/Orientation.h"
#include "readers/ReaderLimits.h"
#include "readers/StreamBytes.h"

namespace {

constexpr std::size_t kRiffHeader = 12;
// The RIFF header, the extended-format chunk's header, its flags and the
// canvas size.
constexpr std::size_t kExtendedHeader = 30;
// Canvas rows composed at a time before they are placed in the image.
constexpr int kStripRows = 64;

std::uint32_t little_endian(const std::uint8_t* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
    return value;
}

// Whether the bytes at `at` agree with a four-letter tag as far as the file
// goes: a cut file agrees.
bool agrees(const std::uint8_t* bytes, std::size_t size, std::size_t at, const char* tag) {
    return size <= at || std::memcmp(bytes + at, tag, std::min<std::size_t>(size - at, 4)) == 0;
}

struct DemuxDelete {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};

[[noreturn]] void fail(VP8StatusCode status) {
    if (status == VP8_STATUS_OUT_OF_MEMORY) throw exec_error(messages::kNoImageMemory);
    if (status == VP8_STATUS_NOT_ENOUGH_DATA) throw file_error(messages::kFileError);
    throw Image::format_error();
}

// Value over white with 8-bit alpha, rounded to the nearest.
inline std::uint8_t over_white(int value, int alpha) {
    return static_cast<std::uint8_t>((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

// Decodes a frame's bitstream into blue-green-red(-alpha) pixels at `to`,
// rows `stride` bytes apart; flipped, the first row is the bottom one.
void decode_frame(const WebPData& frame, WEBP_CSP_MODE mode, std::uint8_t* to, int stride, std::size_t size,
                  bool flip) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) throw exec_error(messages::kExecError);
    config.options.flip = flip ? 1 : 0;
    config.output.colorspace = mode;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = to;
    config.output.u.RGBA.stride = stride;
    config.output.u.RGBA.size = size;
    const VP8StatusCode status = WebPDecode(frame.bytes, frame.size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) fail(status);
}

// The first frame's bitstream and its place on the canvas.
struct Frame {
    WebPData bitstream;
    int x, y, width, height;
    bool alpha;
};

// The frame with its alpha, composed over white on the canvas a strip of
// rows at a time, each strip placed in the turned image. The demuxer has
// checked that the frame lies inside the canvas.
void compose(Image& image, const Frame& frame, int orientation) {
    const bool turned = OrientedRows::swaps_sides(orientation);
    const int width = turned ? image.height() : image.width();
    const int height = turned ? image.width() : image.height();
    reader_limits::check_size(frame.width, frame.height, 32);
    const std::size_t frame_stride = 4 * static_cast<std::size_t>(frame.width);
    const std::size_t frame_bytes = frame_stride * static_cast<std::size_t>(frame.height);
    const std::unique_ptr<std::uint8_t[]> pixels(new std::uint8_t[frame_bytes]);
    decode_frame(frame.bitstream, MODE_BGRA, pixels.get(), static_cast<int>(frame_stride), frame_bytes, false);
    const std::size_t row_bytes = 3 * static_cast<std::size_t>(width);
    const int strip_rows = std::min(kStripRows, height);
    const std::unique_ptr<std::uint8_t[]> strip(new std::uint8_t[row_bytes * strip_rows + 1]);
    OrientedRows placer(image, orientation, width, height, 3);
    for (int first = 0; first < height; first += strip_rows) {
        const int count = std::min(strip_rows, height - first);
        std::memset(strip.get(), 255, row_bytes * count);
        for (int i = 0; i < count; ++i) {
            const int y = first + i - frame.y;
            if (y < 0 || y >= frame.height) continue;
            const std::uint8_t* from = pixels.get() + frame_stride * static_cast<std::size_t>(y);
            std::uint8_t* to = strip.get() + row_bytes * i + 3 * static_cast<std::size_t>(frame.x);
            for (int x = 0; x < frame.width; ++x, from += 4, to += 3) {
                to[0] = over_white(from[0], from[3]);
                to[1] = over_white(from[1], from[3]);
                to[2] = over_white(from[2], from[3]);
            }
        }
        placer.place(first, count, strip.get(), static_cast<std::ptrdiff_t>(row_bytes));
    }
}

}  // namespace

void WebpReader::decode(Image& image, std::istream& in) {
    const StreamBytes file(in);
    const std::uint8_t* bytes = file.data();
    const std::size_t size = file.size();
    if (!agrees(bytes, size, 0, "RIFF") || !agrees(bytes, size, 8, "WEBP")) throw Image::format_error();
    if (size < kRiffHeader || size - 8 < little_endian(bytes + 4, 4)) throw file_error(messages::kFileError);
    // libwebp takes a canvas past its own area limit for damaged data; the
    // limits here say what such a header is.
    if (size >= kExtendedHeader && std::memcmp(bytes + 12, "VP8X", 4) == 0) {
        reader_limits::check_size(little_endian(bytes + 24, 3) + 1, little_endian(bytes + 27, 3) + 1, 24);
    }

    const WebPData data{bytes, size};
    const std::unique_ptr<WebPDemuxer, DemuxDelete> demux(WebPDemux(&data));
    if (!demux) throw Image::format_error();
    const auto width = static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH));
    const auto height = static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));
    reader_limits::check_size(width, height, 24);

    int orientation = 1;
    WebPChunkIterator exif;
    if (WebPDemuxGetChunk(demux.get(), "EXIF", 1, &exif)) {
        // Some writers keep JPEG's block name in front of the TIFF header.
        const WebPData& block = exif.chunk;
        const bool named = block.size >= 6 && std::memcmp(block.bytes, "Exif\0\0", 6) == 0;
        orientation = exif_orientation(block.bytes + (named ? 6 : 0), block.size - (named ? 6 : 0));
        WebPDemuxReleaseChunkIterator(&exif);
    }
    // A profile that cannot be used converts nothing.
    ColourProfile profile;
    WebPChunkIterator icc;
    if (WebPDemuxGetChunk(demux.get(), "ICCP", 1, &icc)) {
        profile = ColourProfile::from_icc(icc.chunk.bytes, icc.chunk.size);
        WebPDemuxReleaseChunkIterator(&icc);
    }
    WebPIterator first;
    if (!WebPDemuxGetFrame(demux.get(), 1, &first)) throw Image::format_error();
    const Frame frame{first.fragment, first.x_offset, first.y_offset, first.width, first.height, first.has_alpha != 0};
    WebPDemuxReleaseIterator(&first);

    const bool turned = OrientedRows::swaps_sides(orientation);
    image.init_header();
    image.set_width(turned ? height : width);
    image.set_height(turned ? width : height);
    image.set_bit_count(24);
    image.create();

    const bool whole = frame.x == 0 && frame.y == 0 && frame.width == width && frame.height == height;
    if (whole && !frame.alpha && orientation == 1) {
        // Straight into the pixel memory, whose rows are stored bottom-up.
        decode_frame(frame.bitstream, MODE_BGR, image.bitmap(), image.stride(), image.image_size(), true);
    } else {
        compose(image, frame, orientation);
    }
    profile.convert(image);
}
