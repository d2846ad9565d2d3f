// Fuzz target for the PNG reader.
#include "fuzz/FuzzCheck.h"
#include "readers/PngReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::check<PngReader>(data, size);
    return 0;
}
