#include "readers/ImageReader.h"

#include "image/Image.h"

void ImageReader::read(Image& image, std::istream& in) {
    image.clear();
    try {
        decode(image, in);
    } catch (const myexception&) {
        image.clear();
        throw;
    }
}
