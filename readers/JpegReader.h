#pragma once
// Reads JPEG files with libjpeg-turbo: baseline, progressive and arithmetic
// coded, any sampling, grey (an 8-bit grey-ramp image), YCbCr and RGB (24-bit
// images), CMYK and YCCK (turned into 24-bit colour, the inks inverted when
// the file carries Adobe's marker). The EXIF orientation is applied, so the image
// holds the picture as it is meant to be seen. A colour picture's ICC profile
// (APP2 markers, however many) is converted to sRGB; a broken one is ignored.
//
// Anything libjpeg finds wrong with the data, its warnings included, ends the
// read: a cut file gives the file error, a damaged one the format error, and
// a picture whose pixels or whose decoder's buffers would pass the image
// memory cap the image-memory error. libjpeg never prints anything.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>

#include "image/Image.h"
#include "readers/ColourProfile.h"
#include "readers/ImageReader.h"

class JpegReader final : public ImageReader {
public:
    // Rows are written whole, and a colour or grey file that is upright or
    // only upside down is decoded straight into the pixel memory.
    JpegReader();
    ~JpegReader() override;

    // Progressive files with more scans than this are refused: each scan
    // walks the whole picture, so a small file could keep the decoder busy
    // for hours.
    static constexpr int kMaxScans = 500;

    // Where libjpeg's callbacks find the reader: the first member of this
    // block is libjpeg's error manager, so its pointer is the block's.
    struct Context;

private:
    void decode(Image& image, std::istream& in) override;
    // Runs the libjpeg part under the error return; false when libjpeg
    // reported an error or a warning. Errors of the image are thrown as they are.
    bool run_library();
    void decode_steps();
    void choose_output();
    // Decodes strips of rows and places them in the turned image.
    void read_placed();
    // Decodes up to `wanted` rows into rows[]; gives how many.
    int read_strip(std::uint8_t** rows, int wanted);
    // Makes a strip of up to `rows` decoded rows and points pointers[] at
    // them; gives how many.
    int make_strip(int rows, std::uint8_t** pointers);
    void inks_to_colours(const std::uint8_t* inks, int width, std::uint8_t* bgr) const;
    void read_colour_profile();
    void destroy();

    Image* image_ = nullptr;
    // Everything libjpeg's error return may skip lives here, not in frames.
    std::unique_ptr<Context> context_;
    std::unique_ptr<std::uint8_t[]> input_;
    std::unique_ptr<std::uint8_t[]> strip_;
    std::size_t strip_row_bytes_ = 0;
    ColourProfile profile_;
    int orientation_ = 1;
    int channels_ = 3;  // per decoded pixel: 1 grey, 3 blue-green-red, 4 CMYK
    bool cmyk_ = false;
    bool inverted_inks_ = false;
};
