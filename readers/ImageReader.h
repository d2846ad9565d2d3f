#pragma once
// A reader decodes one file of its format from a stream into an Image. It is
// made for one file, used for one read and then deleted.
//
// Every read clears the image first, builds it through the image's own
// operations, and on any error of the myexception family clears it again
// before passing the error on: the caller never sees a half-read image.
// The stream is read strictly forward from its current position.

#include <istream>

class Image;

class ImageReader {
public:
    ImageReader() = default;
    ImageReader(const ImageReader&) = delete;
    ImageReader& operator=(const ImageReader&) = delete;
    virtual ~ImageReader() = default;

    virtual void read(Image& image, std::istream& in) = 0;
};
