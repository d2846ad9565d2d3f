#pragma once
// Changes an image's colour depth. Raising it (the colour increase) copies
// the picture into the larger format without changing a colour; lowering it
// reduces the picture to a computed palette.

#include "image/ImageFilter.h"

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
    // Throws Image::not_support for an image without pixel memory or of a
    // format no pixel operation serves, and exec_error for an empty input
    // range. The reduction to a palette is not available yet and is refused
    // with Image::not_support.
    bool execute(ImageList::const_iterator first, ImageList::const_iterator last, ImageResults& out) override;

    int target_bit_count() const { return targetBitCount_; }
    // Wanted colours; after a reduction, the colours actually made.
    int color_count() const { return colorCount_; }
    bool error_diffusion() const { return errorDiffusion_; }

private:
    // Raises a 1, 2, 4 or 8-bit image to an indexed target of more bits or
    // to 24 bits; false when cancelled.
    bool increase(const Image& source, ImageResults& out);

    int targetBitCount_;
    int colorCount_;
    bool errorDiffusion_;
};
