#pragma once
// libde265 and dav1d complain about damaged coded data on the C library's
// stderr stream, and libheif offers no way to stop them. While a QuietStderr
// lives, that stream writes to /dev/null. The descriptor itself is left
// alone, so a sanitizer's report, written to it directly, still shows.
//
// The stream is the process's: while a picture is read on a thread of its
// own, what other threads print through it goes to /dev/null too. Readers
// never run two at once, so the quiet spells never overlap.

#include <cstdio>

class QuietStderr {
public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    std::FILE* saved_;
};
