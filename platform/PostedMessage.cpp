#include "platform/PostedMessage.h"

#include <map>
#include <string>

namespace platform {

unsigned RegisterWindowMessage(std::string_view name) {
    static std::map<std::string, unsigned, std::less<>> names;
    auto it = names.find(name);
    if (it != names.end()) return it->second;
    const unsigned id = 0xC000u + static_cast<unsigned>(names.size());
    names.emplace(std::string(name), id);
    return id;
}

bool PostMessage(MessageWindow* window, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    return window && window->Post(message, wParam, lParam);
}

}  // namespace platform
