#pragma once
// The rest of a stream in memory, for the libraries that want a whole file
// (libwebp's demuxer, libheif) or jump about in it (libtiff).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <istream>
#include <memory>

class StreamBytes {
public:
    // Reads the stream to its end. A stream longer than the readers' byte
    // limit is the image-memory error; a failing stream ends the bytes there.
    explicit StreamBytes(std::istream& in);

    const std::uint8_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }

private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint8_t, Free> data_;
    std::size_t size_ = 0;
};
