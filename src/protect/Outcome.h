#pragma once

// Small helpers shared by the transactions for building their outcomes.

#include "protect/uProtect.h"
#include "translation/translation.h"

#include <string>

namespace vk::protect {

inline TProtectOutcome Failed(const std::string& message) {
    TProtectOutcome outcome;
    outcome.MessageText = message;
    return outcome;
}

// The translated text followed by a path, as "Path not found: " + path.
inline TProtectOutcome FailedWith(const char* text, const std::string& path) {
    return Failed(TranslateText(text) + path);
}

inline std::string CancelledText() {
    return TranslateText("Operation cancelled by user.");
}

inline bool Cancelled(const TProtectCallbacks& callbacks) {
    return callbacks.Cancel && callbacks.Cancel();
}

} // namespace vk::protect
