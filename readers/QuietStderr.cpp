#include "readers/QuietStderr.h"

// glibc's stderr is a plain variable that may be set; libraries read it at
// each call.
QuietStderr::QuietStderr() : saved_(stderr), sink_(std::fopen("/dev/null", "we")) {
    if (sink_) stderr = sink_;
}

QuietStderr::~QuietStderr() {
    if (!sink_) return;
    stderr = saved_;
    std::fclose(sink_);
}
