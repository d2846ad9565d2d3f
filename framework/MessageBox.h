#pragma once
// The framework's message box: modal, the application title (the framework
// texts' appTitle) as caption, an OK button only. Tests install a hook that records the text instead.

#include <functional>
#include <string>

namespace framework {

// Shows text and waits for OK. A view holding the capture loses it first.
void AfxMessageBox(const std::string& text);

using MessageBoxHook = std::function<void(const std::string& caption, const std::string& text)>;
// Replaces the dialog; an empty hook restores it. Returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

}  // namespace framework
