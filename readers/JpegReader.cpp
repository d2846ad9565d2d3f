#include "readers/JpegReader.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
// After jpeglib.h: which message numbers exist depends on its library version.
#include <jerror.h>

#include "readers/ExifOrientation.h"
#include "readers/Orientation.h"
#include "readers/ReaderLimits.h"

namespace {

constexpr std::size_t kInputSize = 64 * 1024;
// Rows decoded at a time for a turned picture: each decoded column is
// written as one run of this many pixels into its image row, so taller
// strips visit each image row, its cache lines and its memory page less often.
constexpr int kStripRows = 64;
// Rows decoded at a time for a picture that is only flipped, or whose
// inks need turning into colours first: few, so the strip stays in cache.
constexpr int kAlongRows = 8;
// Lets the last pixel of the strip be read as one 4-byte word.
constexpr std::size_t kStripPadding = 4;

// An APP1 block holding EXIF data names itself so before its TIFF header.
constexpr std::uint8_t kExifName[] = {'E', 'x', 'i', 'f', 0, 0};

}  // namespace

struct JpegReader::Context {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr error{};
    jpeg_source_mgr source{};
    jpeg_progress_mgr progress{};
    std::jmp_buf jump{};
    std::istream* in = nullptr;
    std::uint8_t* input = nullptr;
    bool created = false;
    bool ended = false;          // the stream gave out before the file did
    bool out_of_memory = false;  // libjpeg's working memory would pass the cap
};

namespace {

JpegReader::Context& context_of(j_common_ptr cinfo) { return *static_cast<JpegReader::Context*>(cinfo->client_data); }

bool is_memory_error(int code) {
    switch (code) {
        case JERR_OUT_OF_MEMORY:
        case JERR_NO_BACKING_STORE:
        case JERR_BAD_ALLOC_CHUNK:
        case JERR_TFILE_CREATE:
        case JERR_TFILE_READ:
        case JERR_TFILE_SEEK:
        case JERR_TFILE_WRITE:
            return true;
        default:
            return false;
    }
}

[[noreturn]] void on_error(j_common_ptr cinfo) {
    JpegReader::Context& context = context_of(cinfo);
    if (is_memory_error(cinfo->err->msg_code)) context.out_of_memory = true;
    std::longjmp(context.jump, 1);
}

// Warnings mean libjpeg met damaged data and made something up in its place
// (grey blocks, zeroed coefficients): the picture would be wrong, so the
// read ends. Only those about side information that no pixel depends on
// are let through. Trace messages (level 0 and up) are dropped.
void on_message(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    switch (cinfo->err->msg_code) {
        case JWRN_JFIF_MAJOR:
        case JWRN_BOGUS_ICC:
            return;
        default:
            std::longjmp(context_of(cinfo).jump, 1);
    }
}

void no_output(j_common_ptr) {}

void init_source(j_decompress_ptr) {}
void term_source(j_decompress_ptr) {}

boolean fill_input(j_decompress_ptr cinfo) {
    JpegReader::Context& context = context_of(reinterpret_cast<j_common_ptr>(cinfo));
    std::size_t got = 0;
    try {
        context.in->read(reinterpret_cast<char*>(context.input), static_cast<std::streamsize>(kInputSize));
        got = static_cast<std::size_t>(context.in->gcount());
    } catch (...) {
        got = 0;
    }
    if (got == 0) {
        // libjpeg would carry on with a made-up end of image.
        context.ended = true;
        ERREXIT(cinfo, JERR_INPUT_EOF);
    }
    cinfo->src->next_input_byte = context.input;
    cinfo->src->bytes_in_buffer = got;
    return TRUE;
}

void skip_input(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr& src = *cinfo->src;
    auto left = static_cast<unsigned long>(count);
    while (left > src.bytes_in_buffer) {
        left -= static_cast<unsigned long>(src.bytes_in_buffer);
        fill_input(cinfo);
    }
    src.next_input_byte += left;
    src.bytes_in_buffer -= left;
}

void watch_scans(j_common_ptr cinfo) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decompress->input_scan_number > JpegReader::kMaxScans) std::longjmp(context_of(cinfo).jump, 1);
}

// Ink over paper: an inverted sample is the light left, so a colour channel
// is the product of its own ink's light and the black's.
inline std::uint8_t light(int ink, int black) { return static_cast<std::uint8_t>((ink * black + 127) / 255); }

}  // namespace

JpegReader::JpegReader() = default;

JpegReader::~JpegReader() { destroy(); }

void JpegReader::destroy() {
    if (context_ && context_->created) jpeg_destroy_decompress(&context_->cinfo);
    context_.reset();
    input_.reset();
    strip_.reset();
    profile_ = ColourProfile();
}

void JpegReader::decode(Image& image, std::istream& in) {
    destroy();
    image_ = &image;
    image.init_header();
    context_ = std::make_unique<Context>();
    input_.reset(new std::uint8_t[kInputSize]);
    Context& c = *context_;
    c.in = &in;
    c.input = input_.get();
    c.cinfo.err = jpeg_std_error(&c.error);
    c.error.error_exit = on_error;
    c.error.emit_message = on_message;
    c.error.output_message = no_output;
    c.cinfo.client_data = &c;
    if (!run_library()) {
        if (c.out_of_memory) throw exec_error(messages::kNoImageMemory);
        if (c.ended) throw file_error(messages::kFileError);
        throw Image::format_error();
    }
    destroy();
}

bool JpegReader::run_library() {
    // Nothing with a destructor may be alive in any frame that the error
    // return jumps over: the working memory is held by members for that reason.
    if (setjmp(context_->jump)) return false;
    decode_steps();
    return true;
}

void JpegReader::decode_steps() {
    Context& c = *context_;
    jpeg_decompress_struct& cinfo = c.cinfo;
    jpeg_create_decompress(&cinfo);
    c.created = true;
    // libjpeg's own buffers (the whole-picture coefficients of a progressive
    // file) are held to the same cap as the image.
    cinfo.mem->max_memory_to_use = static_cast<long>(reader_limits::kMaxBytes);
    c.source.init_source = init_source;
    c.source.fill_input_buffer = fill_input;
    c.source.skip_input_data = skip_input;
    c.source.resync_to_restart = jpeg_resync_to_restart;
    c.source.term_source = term_source;
    cinfo.src = &c.source;
    c.progress.progress_monitor = watch_scans;
    cinfo.progress = &c.progress;
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);

    jpeg_read_header(&cinfo, TRUE);
    // The first EXIF block counts, as in other viewers; XMP and other APP1
    // blocks are passed over.
    orientation_ = 1;
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 1 || m->data_length < sizeof kExifName ||
            std::memcmp(m->data, kExifName, sizeof kExifName) != 0) {
            continue;
        }
        orientation_ = exif_orientation(m->data + sizeof kExifName, m->data_length - sizeof kExifName);
        break;
    }
    choose_output();
    read_colour_profile();
    jpeg_calc_output_dimensions(&cinfo);

    // The picture is held to the limits, and its image made, before libjpeg
    // sets up its own buffers for it.
    Image& image = *image_;
    const bool turned = orientation_ >= 5;
    const auto width = static_cast<int>(turned ? cinfo.output_height : cinfo.output_width);
    const auto height = static_cast<int>(turned ? cinfo.output_width : cinfo.output_height);
    reader_limits::check_size(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height),
                              channels_ == 1 ? 8 : 24);
    image.set_width(width);
    image.set_height(height);
    image.set_bit_count(channels_ == 1 ? 8 : 24);
    if (channels_ == 1) {
        image.set_grayscale(true);
    } else {
        image.set_grayscale(false);
        image.create();
    }

    jpeg_start_decompress(&cinfo);
    read_placed();
    jpeg_finish_decompress(&cinfo);
}

void JpegReader::choose_output() {
    jpeg_decompress_struct& cinfo = context_->cinfo;
    cmyk_ = false;
    inverted_inks_ = false;
    switch (cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE:
            cinfo.out_color_space = JCS_GRAYSCALE;
            channels_ = 1;
            break;
        case JCS_YCbCr:
        case JCS_RGB:
            // The image's own byte order, so upright rows need no conversion.
            cinfo.out_color_space = JCS_EXT_BGR;
            channels_ = 3;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            cinfo.out_color_space = JCS_CMYK;
            channels_ = 4;
            cmyk_ = true;
            // Adobe's programs write the inks inverted and mark their files.
            inverted_inks_ = cinfo.saw_Adobe_marker != 0;
            break;
        default:
            throw Image::format_error();
    }
}

void JpegReader::read_colour_profile() {
    // Grey and ink pictures are not converted: their profiles are not RGB.
    if (channels_ != 3) return;
    JOCTET* raw = nullptr;
    unsigned int size = 0;
    if (!jpeg_read_icc_profile(&context_->cinfo, &raw, &size)) return;
    const std::unique_ptr<JOCTET, decltype(&std::free)> icc(raw, &std::free);
    if (size <= reader_limits::kMaxChunkBytes) profile_ = ColourProfile::from_icc(icc.get(), size);
}

int JpegReader::read_strip(JSAMPROW* rows, int wanted) {
    jpeg_decompress_struct& cinfo = context_->cinfo;
    wanted = std::min(wanted, static_cast<int>(cinfo.output_height - cinfo.output_scanline));
    int got = 0;
    while (got < wanted) {
        got += static_cast<int>(jpeg_read_scanlines(&cinfo, rows + got, static_cast<JDIMENSION>(wanted - got)));
    }
    return got;
}

int JpegReader::make_strip(int rows, JSAMPROW* pointers) {
    const jpeg_decompress_struct& cinfo = context_->cinfo;
    // No taller than the picture: a wide picture of few rows needs no more.
    rows = std::min(rows, static_cast<int>(cinfo.output_height));
    strip_row_bytes_ = static_cast<std::size_t>(cinfo.output_width) * static_cast<std::size_t>(channels_);
    const std::size_t bytes = strip_row_bytes_ * static_cast<std::size_t>(rows) + kStripPadding;
    strip_.reset(new std::uint8_t[bytes]);
    std::memset(strip_.get() + bytes - kStripPadding, 0, kStripPadding);
    for (int i = 0; i < rows; ++i) pointers[i] = strip_.get() + strip_row_bytes_ * static_cast<std::size_t>(i);
    return rows;
}

void JpegReader::read_placed() {
    jpeg_decompress_struct& cinfo = context_->cinfo;
    Image& image = *image_;
    const auto w = static_cast<int>(cinfo.output_width);
    const auto h = static_cast<int>(cinfo.output_height);
    OrientedRows placer(image, orientation_, w, h, channels_ == 1 ? 1 : 3);
    // Upright rows that need no change are decoded straight into the image.
    const bool direct = !cmyk_ && (orientation_ == 1 || orientation_ == 4);
    const int wanted = OrientedRows::swaps_sides(orientation_) ? kStripRows : kAlongRows;
    JSAMPROW rows[kStripRows];
    const int strip_rows = direct ? wanted : make_strip(wanted, rows);
    while (cinfo.output_scanline < cinfo.output_height) {
        const auto first = static_cast<int>(cinfo.output_scanline);
        if (direct) {
            const int count = std::min(strip_rows, h - first);
            for (int i = 0; i < count; ++i) rows[i] = image.scanline(orientation_ == 4 ? h - 1 - first - i : first + i);
            const int got = read_strip(rows, count);
            // Converted while the rows are still in cache.
            if (profile_.converts()) {
                for (int i = 0; i < got; ++i) profile_.convert(rows[i], w);
            }
            continue;
        }
        const int got = read_strip(rows, strip_rows);
        if (cmyk_) {
            for (int i = 0; i < got; ++i) inks_to_colours(rows[i], w, rows[i]);
        }
        if (profile_.converts()) {
            for (int i = 0; i < got; ++i) profile_.convert(rows[i], w);
        }
        placer.place(first, got, rows[0], static_cast<std::ptrdiff_t>(strip_row_bytes_));
    }
    strip_.reset();
}

void JpegReader::inks_to_colours(const std::uint8_t* inks, int width, std::uint8_t* bgr) const {
    const int flip = inverted_inks_ ? 0 : 255;
    // Forward in place is safe: pixel i is read whole before byte 3i on is written.
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* px = inks + 4 * static_cast<std::ptrdiff_t>(x);
        const int c = px[0] ^ flip, m = px[1] ^ flip, y = px[2] ^ flip, k = px[3] ^ flip;
        std::uint8_t* out = bgr + 3 * static_cast<std::ptrdiff_t>(x);
        out[0] = light(y, k);
        out[1] = light(m, k);
        out[2] = light(c, k);
    }
}
