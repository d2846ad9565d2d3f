#pragma once
// Reads PNG files with libpng. Palette and grey files become indexed images of
// their own bit depth (16-bit grey becomes 8 bits); truecolour files become
// 24-bit images; files with alpha are blended over their background colour
// (white when they name none). Transparency chunks and gamma are not applied.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>

#include <png.h>

#include "image/Image.h"
#include "readers/ImageReader.h"

class PngReader final : public ImageReader {
public:
    // Whole rows are written, and where the decoded row already is the
    // stored row libpng decodes straight into the pixel memory. Interlaced
    // files that libpng cannot decode in place are converted pixel by pixel,
    // each pass's pixels as the pass delivers them.
    PngReader() = default;
    ~PngReader() override;

    virtual int image_bit_count() const;
    virtual void setup_transforms();
    virtual void read_rows();
    virtual void read_palette();

    static void read_callback(png_structp png, png_bytep data, std::size_t length);

private:
    void decode(Image& image, std::istream& in) override;
    // Runs the libpng part of the read under its error return; false when
    // libpng reported an error. Errors of the image are thrown as they are.
    bool run_library(std::istream& in);
    void decode_steps(std::istream& in);
    void find_background();
    void convert_row(int y, const std::uint8_t* row);
    // Converts the decoded row's pixels first, first + step, ... of picture
    // row y: indexes by strict pixel writes, colours straight into the
    // stored row.
    void convert_pixels(int y, const std::uint8_t* row, int first, int step);
    void destroy();

    Image* image_ = nullptr;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    int bit_depth_ = 0;
    int color_type_ = 0;
    int interlace_type_ = 0;
    int passes_ = 1;
    // The working row lives in the reader: libpng's error return skips every
    // frame between the error and the return point.
    std::unique_ptr<std::uint8_t[]> rows_;
    std::uint8_t background_[3] = {255, 255, 255};  // blue, green, red
};
