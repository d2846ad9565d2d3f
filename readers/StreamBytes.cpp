#include "readers/StreamBytes.h"

#include <algorithm>

#include "image/Errors.h"
#include "image/Messages.h"
#include "readers/ReaderLimits.h"

namespace {

constexpr std::size_t kFirstBlock = 64 * 1024;

}  // namespace

StreamBytes::StreamBytes(std::istream& in) {
    // Room doubles as bytes arrive, so a file costs memory in proportion to
    // what it holds, not to what its header claims; growing a large block
    // moves its pages rather than copying them.
    std::size_t room = 0;
    for (;;) {
        if (size_ == room) {
            if (room > reader_limits::kMaxBytes) throw exec_error(messages::kNoImageMemory);
            // One byte past the limit tells a file at the limit from a longer one.
            room = std::min<std::size_t>(std::max(2 * room, kFirstBlock), reader_limits::kMaxBytes + 1);
            auto* grown = static_cast<std::uint8_t*>(std::realloc(data_.get(), room));
            if (!grown) throw exec_error(messages::kNoImageMemory);
            data_.release();
            data_.reset(grown);
        }
        std::streamsize got = 0;
        try {
            in.read(reinterpret_cast<char*>(data_.get() + size_), static_cast<std::streamsize>(room - size_));
            got = in.gcount();
        } catch (...) {
            got = 0;
        }
        size_ += static_cast<std::size_t>(got);
        if (got == 0 || !in) break;
    }
    if (size_ > reader_limits::kMaxBytes) throw exec_error(messages::kNoImageMemory);
}
