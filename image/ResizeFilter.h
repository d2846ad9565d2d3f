#pragma once
// A scaled copy of a 24-bit image: n x n bilinear samples per result pixel,
// averaged, optionally keeping the source's proportions, either by shrinking
// the result or by centring the picture in the full target size with margins
// of a background colour (letterbox). Progress is reported per result row.

#include "image/Color.h"
#include "image/ImageFilter.h"
#include "platform/Geometry.h"

class ResizeFilter : public ImageFilter {
public:
    // samples below 1 are taken as 1.
    ResizeFilter(Size target, bool keep_aspect, bool letterbox, Color background, int samples);
    ~ResizeFilter() override;

    // Scales the first input image (last is not consulted) and appends one
    // new image. Throws Image::not_support for a source without pixel memory
    // or not of 24 bits; false, nothing appended, when cancelled.
    bool execute(ImageList::const_iterator first, ImageList::const_iterator last, ImageResults& out) override;

    // Adjusts the box (width, height) to the source's proportions: with
    // letterbox one of the margins grows, without it one side shrinks.
    virtual void fit_size(const Image& source, int& width, int& height, int& margin_x, int& margin_y) const;

    struct Sample {
        double red = 0;
        double green = 0;
        double blue = 0;
    };
    // The colour of the source at a real position, pixel centres lying at
    // half-integer positions; neighbours outside the picture are its edge.
    static Sample bilinear_sample(const Image& source, double x, double y);

    const Size target;
    const bool keep_aspect;
    const bool letterbox;
    const Color background;
    const int samples;

protected:
    // Gives result the source's format at the fitted size and fills it from
    // source; false when cancelled. result may be source itself.
    bool resample(const Image& source, Image& result);
};
