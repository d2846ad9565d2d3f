// Fuzz target for the bitmap reader.
#include "fuzz/FuzzCheck.h"
#include "readers/BmpReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::check<BmpReader>(data, size);
    return 0;
}
