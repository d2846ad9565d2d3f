#pragma once
// Changes an image's colour depth. Raising it (the colour increase) copies
// the picture into the larger format without changing a colour; lowering it
// reduces the picture to a computed palette.

#include <cstdint>
#include <memory>
#include <vector>

#include "colour/ColorBox.h"
#include "image/Color.h"
#include "image/ImageFilter.h"

class ColorHistogram;

class ColorDepthFilter : public ImageFilter {
public:
    // color_count 0, or more than the target format can hold, asks for as
    // many colours as it can hold (16777216 for 24 bits). A negative count
    // asks for as many too. Targets of 31 bits or more hold more colours
    // than an int can say and give INT_MAX; targets of 0 bits or fewer
    // hold a single colour.
    ColorDepthFilter(int target_bit_count, int color_count, bool error_diffusion);
    ~ColorDepthFilter() override;

    // Converts the first input image (never changed) and appends the result.
    // Lowering the depth, or asking a palette picture for its own depth,
    // reduces it to a palette of at most color_count() entries by median
    // cut, each entry the mean of its box, and maps every pixel to its
    // nearest entry (with the error diffused onto the neighbours when asked).
    // Throws Image::not_support for an image without pixel memory or of a
    // format no pixel operation serves, or a target other than 1, 2, 4, 8
    // or 24 bits, and exec_error for an empty input range.
    bool execute(ImageList::const_iterator first, ImageList::const_iterator last, ImageResults& out) override;

    int target_bit_count() const { return targetBitCount_; }
    // Wanted colours; after a reduction, the colours actually made.
    int color_count() const { return colorCount_; }
    bool error_diffusion() const { return errorDiffusion_; }

private:
    // Raises a 1, 2, 4 or 8-bit image to an indexed target of more bits or
    // to 24 bits; null when cancelled.
    std::unique_ptr<Image> increase(const Image& source, int to);
    bool reduce(const Image& source, ImageResults& out);

    // The reduction's phases; each gives false (or -1) when cancelled.
    bool build_histogram(const Image& picture, ColorHistogram& histogram);
    int split_boxes();
    // Tightens every face of the box but the one named (axis * 2, + 1 for
    // the maximum) onto the colours it holds.
    void shrink(ColorBox& box, int kept_face) const;
    Color average(const ColorBox& box) const;
    bool map_pixels(const Image& picture, Image& result);

    struct BoxColour {
        std::uint32_t key;
        std::uint32_t count;
    };

    int targetBitCount_;
    int colorCount_;
    bool errorDiffusion_;
    // Only while a reduction runs.
    std::vector<ColorBox> boxes_;
    std::vector<BoxColour> colours_;
    // The channel ranges the last histogram saw: red, green, blue.
    int channelMin_[3] = {0, 0, 0};
    int channelMax_[3] = {0, 0, 0};
};
