#pragma once
// A format descriptor: the format's name for the open dialog, its file
// extensions (lower case, no dot) and a factory for its reader.

#include <memory>
#include <string>
#include <vector>

#include "readers/ImageReader.h"

class ImageFormat {
public:
    ImageFormat(std::vector<std::string> extensions, std::string description)
        : extensions_(std::move(extensions)), description_(std::move(description)) {}
    ImageFormat(const ImageFormat&) = delete;
    ImageFormat& operator=(const ImageFormat&) = delete;
    virtual ~ImageFormat() = default;

    // A new reader of this format; the caller owns it.
    virtual std::unique_ptr<ImageReader> create_reader() const = 0;

    std::string description() const { return description_; }
    const std::vector<std::string>& extensions() const { return extensions_; }

private:
    std::vector<std::string> extensions_;
    std::string description_;
};

class BmpFormat : public ImageFormat {
public:
    BmpFormat();
    std::unique_ptr<ImageReader> create_reader() const override;
};

class PngFormat : public ImageFormat {
public:
    PngFormat();
    std::unique_ptr<ImageReader> create_reader() const override;
};

class JpegFormat : public ImageFormat {
public:
    JpegFormat();
    std::unique_ptr<ImageReader> create_reader() const override;
};

class WebpFormat : public ImageFormat {
public:
    WebpFormat();
    std::unique_ptr<ImageReader> create_reader() const override;
};

// HEIF and AVIF are one container read by one reader; the dialog lists them apart.
class HeifFormat : public ImageFormat {
public:
    HeifFormat();
    std::unique_ptr<ImageReader> create_reader() const override;
};

class AvifFormat : public ImageFormat {
public:
    AvifFormat();
    std::unique_ptr<ImageReader> create_reader() const override;
};

class GifFormat : public ImageFormat {
public:
    GifFormat();
    std::unique_ptr<ImageReader> create_reader() const override;
};

class TiffFormat : public ImageFormat {
public:
    TiffFormat();
    std::unique_ptr<ImageReader> create_reader() const override;
};
