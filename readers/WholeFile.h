#pragma once
// Reads the rest of a stream into memory, for libraries that decode from a
// buffer. A file larger than the image memory cap is refused with the
// image-memory error before it is held; a stream that fails gives the file error.

#include <cstdint>
#include <istream>
#include <vector>

std::vector<std::uint8_t> read_whole_file(std::istream& in);
