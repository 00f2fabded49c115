#include "platform/Messages.h"

#include <cstdio>
#include <utility>

namespace platform {
namespace {
MessageHandler& handler() {
    static MessageHandler h;
    return h;
}
}  // namespace

MessageHandler SetMessageHandler(MessageHandler h) { return std::exchange(handler(), std::move(h)); }

void ShowMessage(const std::string& text, const std::string& caption) {
    if (handler()) {
        handler()(text, caption);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

}  // namespace platform
