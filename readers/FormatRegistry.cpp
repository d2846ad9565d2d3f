#include "readers/FormatRegistry.h"

#include "image/Image.h"
#include "readers/BmpReader.h"
#include "readers/GifReader.h"
#include "readers/HeifReader.h"
#include "readers/JpegReader.h"
#include "readers/PngReader.h"
#include "readers/Texts.h"
#include "readers/TiffReader.h"
#include "readers/WebpReader.h"

BmpFormat::BmpFormat() : ImageFormat({"bmp"}, texts::kBmpDescription) {}
std::unique_ptr<ImageReader> BmpFormat::create_reader() const { return std::make_unique<BmpReader>(); }

PngFormat::PngFormat() : ImageFormat({"png"}, texts::kPngDescription) {}
std::unique_ptr<ImageReader> PngFormat::create_reader() const { return std::make_unique<PngReader>(); }

JpegFormat::JpegFormat() : ImageFormat({"jpg", "jpeg", "jpe"}, texts::kJpegDescription) {}
std::unique_ptr<ImageReader> JpegFormat::create_reader() const { return std::make_unique<JpegReader>(); }

WebpFormat::WebpFormat() : ImageFormat({"webp"}, texts::kWebpDescription) {}
std::unique_ptr<ImageReader> WebpFormat::create_reader() const { return std::make_unique<WebpReader>(); }

HeifFormat::HeifFormat() : ImageFormat({"heic", "heif"}, texts::kHeifDescription) {}
std::unique_ptr<ImageReader> HeifFormat::create_reader() const { return std::make_unique<HeifReader>(); }

AvifFormat::AvifFormat() : ImageFormat({"avif"}, texts::kAvifDescription) {}
std::unique_ptr<ImageReader> AvifFormat::create_reader() const { return std::make_unique<HeifReader>(); }

GifFormat::GifFormat() : ImageFormat({"gif"}, texts::kGifDescription) {}
std::unique_ptr<ImageReader> GifFormat::create_reader() const { return std::make_unique<GifReader>(); }

TiffFormat::TiffFormat() : ImageFormat({"tif", "tiff"}, texts::kTiffDescription) {}
std::unique_ptr<ImageReader> TiffFormat::create_reader() const { return std::make_unique<TiffReader>(); }

void FormatRegistry::add(std::unique_ptr<ImageFormat> format) {
    if (format) formats_.push_back(std::move(format));
}

const ImageFormat& FormatRegistry::find(const std::string& extension) const {
    // Only A to Z change: a locale must not touch the bytes of multi-byte text.
    std::string lower = extension;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    for (const auto& format : formats_) {
        for (const auto& ext : format->extensions()) {
            if (ext == lower) return *format;
        }
    }
    throw Image::not_support(messages::kUnsupportedFileFormat);
}

namespace {

std::string patterns(const std::vector<std::string>& extensions, std::string joined = {}) {
    for (const auto& ext : extensions) {
        if (!joined.empty()) joined += ';';
        joined += "*." + ext;
    }
    return joined;
}

}  // namespace

std::string FormatRegistry::filter() const {
    std::string all;
    for (const auto& format : formats_) all = patterns(format->extensions(), all);
    std::string result = std::string(texts::kImageFiles) + "|" + all + "|";
    for (const auto& format : formats_) {
        const std::string own = patterns(format->extensions());
        result += format->description() + texts::kFileSuffix + own + ")|" + own + "|";
    }
    return result + "|";
}
