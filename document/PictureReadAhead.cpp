#include "document/PictureReadAhead.h"

#include <exception>
#include <fstream>
#include <system_error>
#include <utility>

#include "framework/Document.h"
#include "framework/FilePath.h"

std::unique_ptr<Image> ReadPicture(ImageReader& reader, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in.good()) return nullptr;
    auto picture = std::make_unique<Image>();
    reader.read(*picture, in);
    return picture;
}

PictureReadAhead::PictureReadAhead(const FormatRegistry& formats, std::string path) : path_(std::move(path)) {
    if (!framework::IsReadableFile(path_)) return;
    std::unique_ptr<ImageReader> reader;
    try {
        reader = formats.find(framework::FilePath(path_).extension()).create_reader();
    } catch (const std::exception&) {
        return;  // no format for it: the document says so when it opens the file
    }
    if (!reader) return;
    try {
        picture_ = std::async(std::launch::async,
                              [reader = std::move(reader), path = path_] { return ReadPicture(*reader, path); });
    } catch (const std::system_error&) {
        // No thread to be had: the document reads the file itself.
    }
}

// The future of std::async waits for its thread.
PictureReadAhead::~PictureReadAhead() = default;

bool PictureReadAhead::Holds(const std::string& path) const { return picture_.valid() && path == path_; }

std::unique_ptr<Image> PictureReadAhead::Take() { return picture_.get(); }
