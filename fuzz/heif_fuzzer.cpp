// Fuzz target for the HEIF/AVIF reader.
#include "fuzz/FuzzCheck.h"
#include "readers/HeifReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::check<HeifReader>(data, size);
    return 0;
}
