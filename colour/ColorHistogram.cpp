#include "colour/ColorHistogram.h"

#include "image/Errors.h"
#include "image/Messages.h"

ColorHistogram::ColorHistogram() : counts_(static_cast<std::uint32_t*>(std::calloc(kKeys, sizeof(std::uint32_t)))) {
    if (!counts_) throw exec_error(messages::kNoImageMemory);
}
