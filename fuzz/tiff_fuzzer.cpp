// Fuzz target for the TIFF reader.
#include "fuzz/FuzzCheck.h"
#include "readers/TiffReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::check<TiffReader>(data, size);
    return 0;
}
