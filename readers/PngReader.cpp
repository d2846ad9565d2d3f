#include "readers/PngReader.h"

#include <algorithm>
#include <csetjmp>

#include "readers/ReaderLimits.h"

namespace {

// libpng's errors come back to the error return; its messages are never shown.
[[noreturn]] void on_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void on_warning(png_structp, png_const_charp) {}

// Value over background with 8-bit alpha, rounded to the nearest: an opaque
// pixel keeps its value and a clear one takes the background exactly.
inline std::uint8_t blend(int value, int alpha, int background) {
    return static_cast<std::uint8_t>((value * alpha + background * (255 - alpha) + 127) / 255);
}

struct BitCountRow {
    int depth;
    int color_type;
    int bits;
};

constexpr BitCountRow kBitCounts[] = {
    {1, PNG_COLOR_TYPE_PALETTE, 1},     {2, PNG_COLOR_TYPE_PALETTE, 2},     {4, PNG_COLOR_TYPE_PALETTE, 4},
    {8, PNG_COLOR_TYPE_PALETTE, 8},     {1, PNG_COLOR_TYPE_GRAY, 1},        {2, PNG_COLOR_TYPE_GRAY, 2},
    {4, PNG_COLOR_TYPE_GRAY, 4},        {8, PNG_COLOR_TYPE_GRAY, 8},        {16, PNG_COLOR_TYPE_GRAY, 8},
    {8, PNG_COLOR_TYPE_RGB, 24},        {16, PNG_COLOR_TYPE_RGB, 24},       {8, PNG_COLOR_TYPE_RGB_ALPHA, 24},
    {16, PNG_COLOR_TYPE_RGB_ALPHA, 24}, {8, PNG_COLOR_TYPE_GRAY_ALPHA, 24}, {16, PNG_COLOR_TYPE_GRAY_ALPHA, 24},
};

}  // namespace

PngReader::~PngReader() { destroy(); }

void PngReader::destroy() {
    if (png_) png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
    png_ = nullptr;
    info_ = nullptr;
    rows_.reset();
}

void PngReader::decode(Image& image, std::istream& in) {
    destroy();
    image_ = &image;
    image.init_header();
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
    if (!png_) throw exec_error(messages::kExecError);
    info_ = png_create_info_struct(png_);
    if (!info_) throw exec_error(messages::kExecError);
    if (!run_library(in)) throw Image::format_error();
    destroy();
}

bool PngReader::run_library(std::istream& in) {
    // Nothing with a destructor may be alive in any frame that libpng's
    // error return jumps over: the buffers are members for that reason.
    if (setjmp(png_jmpbuf(png_))) return false;
    decode_steps(in);
    return true;
}

void PngReader::decode_steps(std::istream& in) {
    Image& image = *image_;
    png_set_read_fn(png_, &in, read_callback);
    // libpng refuses a header past the width and height limits itself, and
    // holds every chunk it keeps in memory to the chunk limit.
    png_set_user_limits(png_, static_cast<png_uint_32>(reader_limits::kMaxWidth),
                        static_cast<png_uint_32>(reader_limits::kMaxHeight));
    png_set_chunk_malloc_max(png_, static_cast<png_alloc_size_t>(reader_limits::kMaxChunkBytes));
    // Every image data chunk's CRC already covers the compressed bytes; the
    // zlib stream's own Adler-32 over the inflated rows would be a second
    // pass over a photo's whole pixels that catches nothing more.
    png_set_option(png_, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Mutated files rarely keep their checksums; let them reach the decoder.
    png_set_crc_action(png_, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#endif
    png_read_info(png_, info_);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    png_get_IHDR(png_, info_, &width, &height, &bit_depth_, &color_type_, &interlace_type_, nullptr, nullptr);
    // Checked before libpng sets up its row buffers for the transforms.
    const int bits = image_bit_count();
    if (bits == 0) throw Image::format_error();
    reader_limits::check_size(width, height, static_cast<unsigned>(bits));
    image.set_width(static_cast<int>(width));
    image.set_height(static_cast<int>(height));
    setup_transforms();
    image.set_bit_count(bits);
    read_palette();
    image.create();
    find_background();
    read_rows();
    png_read_end(png_, info_);
}

void PngReader::read_callback(png_structp png, png_bytep data, std::size_t length) {
    auto* in = static_cast<std::istream*>(png_get_io_ptr(png));
    bool complete = false;
    if (in) {
        try {
            in->read(reinterpret_cast<char*>(data), static_cast<std::streamsize>(length));
            complete = static_cast<std::size_t>(in->gcount()) == length;
        } catch (...) {
            complete = false;
        }
    }
    // A short read ends the decoding at once rather than feeding libpng
    // bytes that were never read.
    if (!complete) png_error(png, "read error");
}

int PngReader::image_bit_count() const {
    for (const BitCountRow& row : kBitCounts) {
        if (row.depth == bit_depth_ && row.color_type == color_type_) return row.bits;
    }
    return 0;
}

void PngReader::setup_transforms() {
    if (bit_depth_ == 16) png_set_strip_16(png_);
    if (bit_depth_ < 8) png_set_packing(png_);
    if (color_type_ == PNG_COLOR_TYPE_RGB || color_type_ == PNG_COLOR_TYPE_RGB_ALPHA) png_set_bgr(png_);
    passes_ = png_set_interlace_handling(png_);
    png_read_update_info(png_, info_);
}

void PngReader::read_palette() {
    Image& image = *image_;
    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_PLTE(png_, info_, &palette, &entries) & PNG_INFO_PLTE) {
        for (int i = 0; i < entries; ++i) {
            image.set_palette_color(i, Color(palette[i].red, palette[i].green, palette[i].blue));
        }
        return;
    }
    if (color_type_ == PNG_COLOR_TYPE_GRAY && image.bit_count() < 24) image.set_grayscale(true);
}

void PngReader::find_background() {
    background_[0] = background_[1] = background_[2] = 255;
    png_color_16p bkgd = nullptr;
    if (!(png_get_bKGD(png_, info_, &bkgd) & PNG_INFO_bKGD) || !bkgd) return;
    // Samples are stored at the file's depth; the rows are at 8 bits, so the
    // background is taken down the same way.
    const int shift = bit_depth_ == 16 ? 8 : 0;
    auto level = [shift](int sample) { return static_cast<std::uint8_t>(std::min(sample >> shift, 255)); };
    if (color_type_ == PNG_COLOR_TYPE_GRAY_ALPHA) {
        background_[0] = background_[1] = background_[2] = level(bkgd->gray);
    } else {
        background_[0] = level(bkgd->blue);
        background_[1] = level(bkgd->green);
        background_[2] = level(bkgd->red);
    }
}

void PngReader::read_rows() {
    Image& image = *image_;
    const std::size_t row_bytes = png_get_rowbytes(png_, info_);
    const int height = image.height();
    const int bits = image.bit_count();

    const bool stored_layout =
        color_type_ == PNG_COLOR_TYPE_RGB ||
        ((color_type_ == PNG_COLOR_TYPE_GRAY || color_type_ == PNG_COLOR_TYPE_PALETTE) && bits == 8);
    if (stored_layout && row_bytes <= static_cast<std::size_t>(image.stride())) {
        for (int pass = 0; pass < passes_; ++pass) {
            for (int y = 0; y < height; ++y) png_read_row(png_, image.scanline(y), nullptr);
        }
        return;
    }

    // One decoded row at a time. An interlaced pass writes only its own
    // pixels into the row, and each pixel belongs to exactly one pass, so
    // every pixel is converted as its pass delivers it: nothing is held for
    // the whole image, so no memory grows ahead of the file's data.
    rows_.reset(new std::uint8_t[row_bytes]());
    if (passes_ == 1) {
        for (int y = 0; y < height; ++y) {
            png_read_row(png_, rows_.get(), nullptr);
            convert_row(y, rows_.get());
        }
    } else {
        for (int pass = 0; pass < passes_; ++pass) {
            const int first = PNG_PASS_START_COL(pass);
            const int step = 1 << PNG_PASS_COL_SHIFT(pass);
            for (int y = 0; y < height; ++y) {
                png_read_row(png_, rows_.get(), nullptr);
                if (PNG_ROW_IN_INTERLACE_PASS(y, pass)) convert_pixels(y, rows_.get(), first, step);
            }
        }
    }
    rows_.reset();
}

void PngReader::convert_row(int y, const std::uint8_t* row) {
    Image& image = *image_;
    if (image.bit_count() < 24) {
        image.set_index_row(y, row);
    } else if (color_type_ == PNG_COLOR_TYPE_RGB) {
        image.set_color_row(y, row);
    } else {
        convert_pixels(y, row, 0, 1);
    }
}

void PngReader::convert_pixels(int y, const std::uint8_t* row, int first, int step) {
    Image& image = *image_;
    const int width = image.width();
    if (image.bit_count() < 24) {
        for (int x = first; x < width; x += step) image.set_index(Point(x, y), row[x], true);
        return;
    }
    std::uint8_t* stored = image.scanline(y);
    const auto each = [&](std::size_t channels, auto to_bgr) {
        for (int x = first; x < width; x += step) {
            to_bgr(row + channels * static_cast<std::size_t>(x), stored + 3 * static_cast<std::size_t>(x));
        }
    };
    const std::uint8_t* bg = background_;
    if (color_type_ == PNG_COLOR_TYPE_RGB) {
        each(3, [](const std::uint8_t* px, std::uint8_t* bgr) {
            bgr[0] = px[0];
            bgr[1] = px[1];
            bgr[2] = px[2];
        });
    } else if (color_type_ == PNG_COLOR_TYPE_RGB_ALPHA) {
        each(4, [bg](const std::uint8_t* px, std::uint8_t* bgr) {
            bgr[0] = blend(px[0], px[3], bg[0]);
            bgr[1] = blend(px[1], px[3], bg[1]);
            bgr[2] = blend(px[2], px[3], bg[2]);
        });
    } else {
        each(2, [bg](const std::uint8_t* px, std::uint8_t* bgr) {
            bgr[0] = blend(px[0], px[1], bg[0]);
            bgr[1] = blend(px[0], px[1], bg[1]);
            bgr[2] = blend(px[0], px[1], bg[2]);
        });
    }
}
