#pragma once

// Small helpers shared by the transactions for building their outcomes.

#include "platform/uPlatform.h"
#include "protect/uProtect.h"
#include "translation/translation.h"

#include <filesystem>
#include <string>
#include <vector>

namespace vk::protect {

inline TProtectOutcome Failed(const std::string& message, const std::string& leftover = {}) {
    TProtectOutcome outcome;
    outcome.MessageText = message;
    outcome.LeftoverPath = leftover;
    return outcome;
}

// An end state other than Failed, with the bool fields that tell it too.
inline TProtectOutcome Ended(TProtectEnd end) {
    TProtectOutcome outcome;
    outcome.End = end;
    outcome.Success = end != TProtectEnd::Failed;
    outcome.Skipped = end == TProtectEnd::NothingChanged;
    outcome.Kept = end == TProtectEnd::Kept;
    return outcome;
}

// Names the first leftover that was left alone, unless something else is named.
inline TProtectOutcome Reporting(TProtectOutcome outcome, const std::vector<std::filesystem::path>& leftAlone) {
    if (outcome.LeftoverPath.empty() && !leftAlone.empty())
        outcome.LeftoverPath = platform::Utf8FromPath(leftAlone.front());
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
