// Fuzz target for the GIF reader.
#include "fuzz/FuzzCheck.h"
#include "readers/GifReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::check<GifReader>(data, size);
    return 0;
}
