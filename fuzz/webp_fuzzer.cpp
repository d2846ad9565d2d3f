// Fuzz target for the WebP reader.
#include "fuzz/FuzzCheck.h"
#include "readers/WebpReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::check<WebpReader>(data, size);
    return 0;
}
