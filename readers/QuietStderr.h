#pragma once
// libde265 and dav1d complain about damaged coded data on the C library's
// stderr stream, and libheif offers no way to stop them. While a QuietStderr
// lives, that stream writes to /dev/null. The descriptor itself is left
// alone, so a sanitizer's report, written to it directly, still shows.

#include <cstdio>

class QuietStderr {
public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    std::FILE* saved_;
    std::FILE* sink_;
};
