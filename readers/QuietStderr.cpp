#include "readers/QuietStderr.h"

#include <atomic>

namespace {

// Opened once and never closed: a thread that took the stream just before
// it was put back still writes to an open one.
std::FILE* Sink() {
    static std::FILE* const sink = std::fopen("/dev/null", "we");
    return sink;
}

// glibc's stderr is a plain variable that may be set; libraries read it at
// each call.
void SetStderr(std::FILE* stream) { std::atomic_ref<std::FILE*>(stderr).store(stream); }

}  // namespace

QuietStderr::QuietStderr() : saved_(stderr) {
    if (std::FILE* sink = Sink()) SetStderr(sink);
}

QuietStderr::~QuietStderr() { SetStderr(saved_); }
