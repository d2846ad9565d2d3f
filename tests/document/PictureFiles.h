#pragma once
// Picture files for the tests: a bitmap written byte by byte, and a PNG of
// the public corpus copied under any name.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "image/Color.h"

namespace opentest {

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A 24-bit bitmap of w x h in one colour: 14 + 40 header bytes, then rows
// bottom-up, each padded to 4 bytes.
inline void WriteBmp(const std::string& path, int w, int h, Color c) {
    const int stride = (w * 3 + 3) / 4 * 4;
    std::string bytes = "BM";
    auto put = [&](std::uint32_t v, int size) {
        for (int i = 0; i < size; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    const std::uint32_t words[] = {54u + stride * h, 0, 54, 40, std::uint32_t(w), std::uint32_t(h)};
    for (std::uint32_t v : words) put(v, 4);
    put(1, 2);                              // planes
    put(24, 2);                             // bits per pixel
    for (int i = 0; i < 6; ++i) put(0, 4);  // no compression, sizes and colours left to the reader
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) bytes += {char(c.blue), char(c.green), char(c.red)};
        bytes.append(stride - w * 3, '\0');
    }
    WriteBytes(path, bytes);
}

// 32 x 32 truecolour.
inline void WritePng(const std::string& path) {
    WriteBytes(path, ReadAll(std::string(TESSERIN_TESTDATA) + "/pngsuite/basn2c08.png"));
}

}  // namespace opentest
