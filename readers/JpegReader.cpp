#include "readers/JpegReader.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace {

constexpr std::size_t kInputSize = 64 * 1024;
// Rows decoded at a time when they cannot go straight into the image; a
// turned picture writes each decoded column as one run of this many pixels.
constexpr int kStripRows = 16;

constexpr int kOrientationTag = 0x0112;
constexpr int kTiffShort = 3;

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

std::uint32_t field(const std::uint8_t* p, int bytes, bool big_endian) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        const std::uint32_t byte = p[big_endian ? i : bytes - 1 - i];
        value = (value << 8) | byte;
    }
    return value;
}

// Two nested runs over the decoded strip, each with its own steps in the
// strip and in the pixel memory.
struct Walk {
    const std::uint8_t* from;
    std::uint8_t* to;
    int outer, inner;
    std::ptrdiff_t from_outer, from_inner, to_outer, to_inner;

    template <typename Put>
    void run(Put put) const {
        for (int i = 0; i < outer; ++i) {
            // Offsets, not stepped pointers: a step past the last pixel may
            // fall outside the pixel memory.
            const std::ptrdiff_t s = i * from_outer;
            const std::ptrdiff_t d = i * to_outer;
            for (int j = 0; j < inner; ++j) put(to + (d + j * to_inner), from + (s + j * from_inner));
        }
    }
};

// Ink over paper: an inverted sample is the light left, so a colour channel
// is the product of its own ink's light and the black's.
inline std::uint8_t light(int ink, int black) { return static_cast<std::uint8_t>((ink * black + 127) / 255); }

}  // namespace

int JpegReader::exif_orientation(const std::uint8_t* data, std::size_t size) {
    static constexpr std::uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    if (!data || size < sizeof kExif || std::memcmp(data, kExif, sizeof kExif) != 0) return 0;
    const std::uint8_t* tiff = data + sizeof kExif;
    const std::uint64_t length = size - sizeof kExif;
    if (length < 8) return 0;
    bool big_endian = false;
    if (tiff[0] == 'M' && tiff[1] == 'M') {
        big_endian = true;
    } else if (!(tiff[0] == 'I' && tiff[1] == 'I')) {
        return 0;
    }
    if (field(tiff + 2, 2, big_endian) != 42) return 0;
    const std::uint64_t ifd = field(tiff + 4, 4, big_endian);
    if (ifd + 2 > length) return 0;
    const std::uint64_t entries = field(tiff + ifd, 2, big_endian);
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t at = ifd + 2 + 12 * i;
        if (at + 12 > length) return 0;
        const std::uint8_t* entry = tiff + at;
        if (field(entry, 2, big_endian) != kOrientationTag) continue;
        if (field(entry + 2, 2, big_endian) != kTiffShort || field(entry + 4, 4, big_endian) < 1) return 0;
        // A single short sits in the first two bytes of the value field.
        const std::uint32_t value = field(entry + 8, 2, big_endian);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 0;
    }
    return 0;
}

JpegReader::JpegReader(bool per_pixel) : per_pixel_(per_pixel) {}

JpegReader::~JpegReader() { destroy(); }

void JpegReader::destroy() {
    if (context_ && context_->created) jpeg_destroy_decompress(&context_->cinfo);
    context_.reset();
    input_.reset();
    strip_.reset();
}

void JpegReader::read(Image& image, std::istream& in) {
    image_ = &image;
    try {
        image.clear();
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
        if (!decode()) {
            if (c.out_of_memory) throw exec_error(messages::kNoImageMemory);
            if (c.ended) throw file_error(messages::kFileError);
            throw Image::format_error();
        }
        destroy();
    } catch (const myexception&) {
        destroy();
        image.clear();
        throw;
    }
}

bool JpegReader::decode() {
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
    cinfo.mem->max_memory_to_use = static_cast<long>(Image::kMaxImageBytes);
    c.source.init_source = init_source;
    c.source.fill_input_buffer = fill_input;
    c.source.skip_input_data = skip_input;
    c.source.resync_to_restart = jpeg_resync_to_restart;
    c.source.term_source = term_source;
    cinfo.src = &c.source;
    c.progress.progress_monitor = watch_scans;
    cinfo.progress = &c.progress;
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);

    jpeg_read_header(&cinfo, TRUE);
    orientation_ = 1;
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 1) continue;
        const int found = exif_orientation(m->data, m->data_length);
        if (found != 0) {
            orientation_ = found;
            break;
        }
    }
    choose_output();
    jpeg_calc_output_dimensions(&cinfo);

    // The image is made, and so measured against the cap, before libjpeg
    // sets up its own buffers for the picture.
    Image& image = *image_;
    const bool turned = orientation_ >= 5;
    const auto width = static_cast<int>(turned ? cinfo.output_height : cinfo.output_width);
    const auto height = static_cast<int>(turned ? cinfo.output_width : cinfo.output_height);
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
    read_rows();
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

void JpegReader::read_rows() {
    jpeg_decompress_struct& cinfo = context_->cinfo;
    Image& image = *image_;
    if (!per_pixel_ && !cmyk_ && orientation_ == 1) {
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = image.scanline(static_cast<int>(cinfo.output_scanline));
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        return;
    }
    const std::size_t row_bytes = static_cast<std::size_t>(cinfo.output_width) * static_cast<std::size_t>(channels_);
    strip_.reset(new std::uint8_t[row_bytes * kStripRows]);
    JSAMPROW rows[kStripRows];
    for (int i = 0; i < kStripRows; ++i) rows[i] = strip_.get() + row_bytes * static_cast<std::size_t>(i);
    while (cinfo.output_scanline < cinfo.output_height) {
        const auto first = static_cast<int>(cinfo.output_scanline);
        const int wanted = std::min(kStripRows, static_cast<int>(cinfo.output_height) - first);
        int got = 0;
        while (got < wanted) {
            got += static_cast<int>(jpeg_read_scanlines(&cinfo, rows + got, static_cast<JDIMENSION>(wanted - got)));
        }
        write_strip(first, got);
    }
    strip_.reset();
}

Point JpegReader::turned(int x, int y) const {
    const jpeg_decompress_struct& cinfo = context_->cinfo;
    const auto w = static_cast<int>(cinfo.output_width);
    const auto h = static_cast<int>(cinfo.output_height);
    switch (orientation_) {
        case 2: return Point(w - 1 - x, y);
        case 3: return Point(w - 1 - x, h - 1 - y);
        case 4: return Point(x, h - 1 - y);
        case 5: return Point(y, x);
        case 6: return Point(h - 1 - y, x);
        case 7: return Point(h - 1 - y, w - 1 - x);
        case 8: return Point(y, w - 1 - x);
        default: return Point(x, y);
    }
}

void JpegReader::write_strip(int first_row, int rows) {
    Image& image = *image_;
    const auto w = static_cast<int>(context_->cinfo.output_width);
    const std::size_t row_bytes = static_cast<std::size_t>(w) * static_cast<std::size_t>(channels_);
    const int flip = inverted_inks_ ? 0 : 255;
    // Blue, green, red of the decoded pixel (x, r); grey in the first.
    auto colour_at = [&](int x, int r, std::uint8_t* bgr) {
        const std::uint8_t* px = strip_.get() + row_bytes * static_cast<std::size_t>(r) +
                                 static_cast<std::size_t>(x) * static_cast<std::size_t>(channels_);
        if (cmyk_) {
            const int k = px[3] ^ flip;
            bgr[0] = light(px[2] ^ flip, k);
            bgr[1] = light(px[1] ^ flip, k);
            bgr[2] = light(px[0] ^ flip, k);
        } else {
            std::memcpy(bgr, px, static_cast<std::size_t>(channels_));
        }
    };
    // A turned picture's decoded columns are its rows: walk them so that the
    // writes run along the image's rows.
    const bool by_columns = orientation_ >= 5;
    const int outer = by_columns ? w : rows;
    const int inner = by_columns ? rows : w;

    if (per_pixel_) {
        for (int i = 0; i < outer; ++i) {
            for (int j = 0; j < inner; ++j) {
                const int x = by_columns ? i : j;
                const int r = by_columns ? j : i;
                std::uint8_t bgr[3];
                colour_at(x, r, bgr);
                const Point to = turned(x, first_row + r);
                if (channels_ == 1) {
                    image.set_index(to, bgr[0], true);
                } else {
                    image.set_color(to, Color(bgr[2], bgr[1], bgr[0]), true);
                }
            }
        }
        return;
    }
    // Where a decoded pixel lands in the pixel memory is affine in x and r:
    // one origin and two steps, so the loop needs no per-pixel geometry.
    const std::ptrdiff_t pixel_bytes = channels_ == 1 ? 1 : 3;
    auto offset = [&](int x, int r) {
        const Point to = turned(x, first_row + r);
        return static_cast<std::ptrdiff_t>(image.height() - 1 - to.y) * image.stride() + to.x * pixel_bytes;
    };
    const std::ptrdiff_t origin = offset(0, 0);
    const std::ptrdiff_t x_step = offset(1, 0) - origin;
    const std::ptrdiff_t r_step = offset(0, 1) - origin;
    const auto ch = static_cast<std::ptrdiff_t>(channels_);
    const auto rb = static_cast<std::ptrdiff_t>(row_bytes);
    const Walk walk{strip_.get(), image.bitmap() + origin, outer, inner,
                    by_columns ? ch : rb, by_columns ? rb : ch,
                    by_columns ? x_step : r_step, by_columns ? r_step : x_step};
    if (cmyk_) {
        const int flip_all = flip;
        walk.run([flip_all](std::uint8_t* out, const std::uint8_t* px) {
            const int k = px[3] ^ flip_all;
            out[0] = light(px[2] ^ flip_all, k);
            out[1] = light(px[1] ^ flip_all, k);
            out[2] = light(px[0] ^ flip_all, k);
        });
    } else if (channels_ == 1) {
        walk.run([](std::uint8_t* out, const std::uint8_t* px) { out[0] = px[0]; });
    } else {
        walk.run([](std::uint8_t* out, const std::uint8_t* px) {
            out[0] = px[0];
            out[1] = px[1];
            out[2] = px[2];
        });
    }
}
