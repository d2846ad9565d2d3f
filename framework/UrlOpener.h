#pragma once
// Opening an address with the desktop's default handler for it (a browser
// for a web address, the file's own program for a file: address). Tests
// install a hook that records the address instead.

#include <functional>
#include <string>

namespace framework {

// Hands target to the desktop. Whether a handler took it is not reported:
// the caller has nothing to do about a desktop without one.
void OpenUrl(const std::string& target);

using UrlOpenerHook = std::function<void(const std::string& target)>;
// Replaces the desktop; an empty hook restores it. Returns the previous hook.
UrlOpenerHook SetUrlOpenerHook(UrlOpenerHook hook);

}  // namespace framework
