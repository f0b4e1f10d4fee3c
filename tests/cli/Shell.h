#pragma once

// Runs vklocker commands in the test's own process as a shell would, and
// helpers to look at what they leave.

#include "cli/Commands.h"
#include "platform/uPlatform.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace vk::cli {

namespace fs = std::filesystem;

// Runs vklocker as a shell would, with the secret sources and Ctrl-C under the
// test's control, and keeps what it printed.
struct Shell {
    explicit Shell(std::optional<std::string> environment = std::nullopt, std::vector<std::string> answers = {})
        : Environment(std::move(environment)), TerminalAnswers(std::move(answers)) {}

    std::optional<std::string> Environment;
    std::optional<std::string> NewEnvironment; // VKLOCKER_NEW_PASSWORD
    std::vector<std::string> TerminalAnswers;
    bool CtrlC = false;

    std::vector<std::string> Prompts;
    std::vector<InterruptMode> Modes;
    std::string Out, Err;

    int Run(const std::vector<std::string>& args) {
        std::ostringstream out, err;
        Console console(out, err);
        console.EnvironmentPassword = Environment;
        console.EnvironmentNewPassword = NewEnvironment;
        console.AskTerminal = [this](const std::string& prompt) -> std::optional<std::string> {
            Prompts.push_back(prompt);
            if (Prompts.size() > TerminalAnswers.size())
                return std::nullopt;
            return TerminalAnswers[Prompts.size() - 1];
        };
        console.CancelRequested = [this] { return CtrlC; };
        console.SetInterruptMode = [this](InterruptMode mode) { Modes.push_back(mode); };
        int status = RunVklocker(args, console);
        Out = out.str();
        Err = err.str();
        return status;
    }
};

// Every file and folder below root with its content ("/" for a folder).
inline std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> items;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string relative = platform::Utf8FromPath(fs::relative(entry.path(), root));
        items[relative] = entry.is_directory() ? "/" : test::ReadFile(entry.path());
    }
    return items;
}

// Writes back what Snapshot recorded.
inline void WriteSnapshot(const fs::path& root, const std::map<std::string, std::string>& items) {
    fs::create_directories(root);
    for (const auto& [relative, content] : items) {
        if (content == "/")
            fs::create_directories(root / platform::PathFromUtf8(relative));
        else
            test::WriteFile(root / platform::PathFromUtf8(relative), content);
    }
}

inline std::string RecoveryCodeIn(const std::string& output) {
    std::smatch match;
    std::regex pattern("Recovery code: ([0-9A-F]{4}(-[0-9A-F]{4}){7})\n");
    return std::regex_search(output, match, pattern) ? match[1].str() : std::string();
}

} // namespace vk::cli
