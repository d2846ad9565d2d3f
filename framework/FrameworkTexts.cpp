#include "framework/FrameworkTexts.h"

#include <utility>

namespace framework {

namespace {
FrameworkTexts& Current() {
    static FrameworkTexts texts;
    return texts;
}
}  // namespace

FrameworkTexts SetFrameworkTexts(FrameworkTexts texts) { return std::exchange(Current(), std::move(texts)); }

const FrameworkTexts& GetFrameworkTexts() { return Current(); }

}  // namespace framework
