#pragma once
// A reader decodes one file of its format from a stream into an Image. It is
// made for one file, used for one read and then deleted.
//
// read() holds the contract for every format: the image is cleared first,
// built by the format's decode() through the image's own operations, and on
// any error of the myexception family cleared again before the error passes
// on unchanged: the caller never sees a half-read image. The stream is read
// strictly forward from its current position.

#include <istream>

class Image;

class ImageReader {
public:
    ImageReader() = default;
    ImageReader(const ImageReader&) = delete;
    ImageReader& operator=(const ImageReader&) = delete;
    virtual ~ImageReader() = default;

    void read(Image& image, std::istream& in);

protected:
    // Builds the cleared image from the stream, checking the header against
    // reader_limits before any pixel memory exists. Throws only errors of the
    // family; what the reader holds for the decoding is released by the
    // reader, at the latest when it is deleted.
    virtual void decode(Image& image, std::istream& in) = 0;
};
