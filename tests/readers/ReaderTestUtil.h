#pragma once
// Helpers shared by the reader tests.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "image/Image.h"
#include "readers/ImageReader.h"

// A file's bytes. A file that cannot be opened fails the test, so a case
// never passes on nothing read.
inline std::string file_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) ADD_FAILURE() << "cannot open " << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Decodes bytes with a reader; returns the message of the family's exception
// caught, or "" on success. Anything else escapes and fails the test.
inline std::string decode(ImageReader& reader, Image& image, const std::string& bytes) {
    std::istringstream in(bytes, std::ios::binary);
    try {
        reader.read(image, in);
    } catch (const myexception& e) {
        return e.what();
    }
    return "";
}

template <typename Reader>
std::string decode_with(Image& image, const std::string& bytes) {
    Reader reader;
    return decode(reader, image, bytes);
}

// A picture that the reader under test must clear on failure.
inline Image filled_image() {
    Image image;
    image.init_header();
    image.set_width(2);
    image.set_height(2);
    image.set_bit_count(24);
    image.create();
    return image;
}

inline bool is_empty(const Image& image) { return image.info() == nullptr && !image.is_created(); }

inline std::vector<std::uint8_t> memory_of(const Image& image) {
    if (!image.is_created()) return {};
    return {image.bitmap(), image.bitmap() + image.image_size()};
}

// The colour a reader's image shows at (x, y), palette looked up.
inline Color shown(const Image& image, int x, int y) {
    if (image.bit_count() == 24) return image.get_color(Point(x, y), true);
    return image.palette_color(image.get_index(Point(x, y), true));
}

// Where shown pixel (x, y) of a picture turned by an EXIF or TIFF orientation lies
// in the stored W x H picture, written out per orientation by hand.
inline std::pair<int, int> stored_place(int orientation, int x, int y, int W, int H) {
    const int from[9][2] = {{0, 0}, {x, y},         {W - 1 - x, y},         {W - 1 - x, H - 1 - y}, {x, H - 1 - y},
                            {y, x}, {y, H - 1 - x}, {W - 1 - y, H - 1 - x}, {W - 1 - y, x}};
    return {from[orientation][0], from[orientation][1]};
}

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

inline long peak_resident_kib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct ChildRead {
    std::string message;  // the reader's error, "" on success
    long grown_kib = -1;  // growth of the child's peak resident memory
};

// Reads in a forked child. A child's peak starts from its own resident
// pages, not from this process's peak, so earlier tests hide nothing.
inline ChildRead read_in_child(const std::function<std::string(Image&)>& read) {
    int fds[2];
    if (pipe(fds) != 0) return {"no pipe"};
    const pid_t pid = fork();
    if (pid < 0) return {"no fork"};
    if (pid == 0) {
        close(fds[0]);
        const long before = peak_resident_kib();
        Image image;
        const std::string message = read(image);
        const std::string out = std::to_string(peak_resident_kib() - before) + " " + message;
        const bool sent = write(fds[1], out.data(), out.size()) == static_cast<ssize_t>(out.size());
        _exit(sent ? 0 : 1);
    }
    close(fds[1]);
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {"the child died"};
    const std::size_t space = out.find(' ');
    if (space == std::string::npos) return {"no answer"};
    return {out.substr(space + 1), std::stol(out.substr(0, space))};
}
