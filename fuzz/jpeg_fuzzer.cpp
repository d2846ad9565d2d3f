// Fuzz target for the JPEG reader.
#include "fuzz/FuzzCheck.h"
#include "readers/JpegReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::check<JpegReader>(data, size);
    return 0;
}
