#pragma once
// The core's one way to tell the user something. The core has no windows; the
// GUI installs a handler that shows a message box with one OK button. Without
// a handler the message goes to standard error.

#include <functional>
#include <string>

namespace platform {

using MessageHandler = std::function<void(const std::string& text, const std::string& caption)>;

// Installs the handler and returns the previous one.
MessageHandler SetMessageHandler(MessageHandler handler);

// Shows `text` with `caption` and returns when the user has acknowledged it.
void ShowMessage(const std::string& text, const std::string& caption);

}  // namespace platform
