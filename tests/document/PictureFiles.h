#pragma once
// Picture files for the tests: a bitmap written byte by byte, and a PNG of
// the public corpus copied under any name.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/Geometry.h"

namespace opentest {

// A 24-bit bitmap of w x h, every pixel (red, green, blue), rows bottom-up
// and padded to 4 bytes, written byte by byte.
inline void WriteBmp(const std::string& path, int w, int h, Color c) {
    const int stride = (w * 3 + 3) / 4 * 4;
    const std::uint32_t pixelBytes = static_cast<std::uint32_t>(stride * h);
    std::vector<std::uint8_t> bytes;
    auto put16 = [&](std::uint32_t v) { bytes.push_back(v & 0xff); bytes.push_back((v >> 8) & 0xff); };
    auto put32 = [&](std::uint32_t v) { put16(v & 0xffff); put16(v >> 16); };
    bytes.push_back('B');
    bytes.push_back('M');
    put32(54 + pixelBytes);
    put32(0);
    put32(54);
    put32(40);
    put32(static_cast<std::uint32_t>(w));
    put32(static_cast<std::uint32_t>(h));
    put16(1);
    put16(24);
    put32(0);
    put32(pixelBytes);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            bytes.push_back(c.blue);
            bytes.push_back(c.green);
            bytes.push_back(c.red);
        }
        for (int pad = w * 3; pad < stride; ++pad)
            bytes.push_back(0);
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A PNG of the public corpus (32 x 32 truecolour), copied under any name.
inline void WritePng(const std::string& path) {
    WriteBytes(path, ReadAll(std::string(TESSERIN_TESTDATA) + "/pngsuite/basn2c08.png"));
}

}  // namespace opentest
