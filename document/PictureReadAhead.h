#pragma once
// The picture a start opens first, read on a thread of its own while the
// toolkit and the windows start: a phone photo takes most of a second to
// decode, and the main thread has a good part of that to do before it would
// begin. The document takes the picture when it opens the same path, and
// drops it (waiting for the thread) when it opens anything else.

#include <future>
#include <memory>
#include <string>

#include "image/Image.h"
#include "readers/FormatRegistry.h"
#include "readers/ImageReader.h"

// The picture in path as reader decodes it, or null when the file cannot be
// opened as a stream. Throws the reader's errors.
std::unique_ptr<Image> ReadPicture(ImageReader& reader, const std::string& path);

class PictureReadAhead {
public:
    // Starts reading when path is a regular file and a format of formats has
    // a reader for its extension; otherwise nothing is read and Holds is
    // false.
    PictureReadAhead(const FormatRegistry& formats, std::string path);
    ~PictureReadAhead();
    PictureReadAhead(const PictureReadAhead&) = delete;
    PictureReadAhead& operator=(const PictureReadAhead&) = delete;

    // True while a read of path has started and not been taken.
    bool Holds(const std::string& path) const;
    // Only while Holds: waits for the read, then gives what ReadPicture gave
    // or throws what it threw.
    std::unique_ptr<Image> Take();

private:
    std::string path_;
    std::future<std::unique_ptr<Image>> picture_;
};
