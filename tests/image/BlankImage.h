#pragma once
// A picture of w x h with pixel memory of bits per pixel, all zero: the
// starting point of most tests' pictures.

#include "image/Image.h"

namespace image_test {

inline Image Blank(int w, int h, int bits) {
    Image image;
    image.init_header();
    image.set_width(w);
    image.set_height(h);
    image.set_bit_count(bits);
    image.create();
    return image;
}

}  // namespace image_test
