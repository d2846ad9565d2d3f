#include "readers/WholeFile.h"

#include <algorithm>

#include "readers/ReaderLimits.h"

std::vector<std::uint8_t> read_whole_file(std::istream& in) {
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    std::vector<std::uint8_t> bytes;
    try {
        while (in) {
            const std::size_t have = bytes.size();
            // One byte past the cap tells a file of exactly the cap from a larger one.
            const std::size_t want = std::min<std::uint64_t>(kChunk, reader_limits::kMaxBytes + 1 - have);
            bytes.resize(have + want);
            in.read(reinterpret_cast<char*>(bytes.data() + have), static_cast<std::streamsize>(want));
            bytes.resize(have + static_cast<std::size_t>(in.gcount()));
            if (bytes.size() > reader_limits::kMaxBytes) throw exec_error(messages::kNoImageMemory);
        }
    } catch (const std::ios_base::failure&) {
        throw file_error(messages::kFileError);
    }
    if (in.bad()) throw file_error(messages::kFileError);
    return bytes;
}
