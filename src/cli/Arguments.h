#pragma once

// The command line of vklocker: which command, its operands and options.

#include <optional>
#include <string>
#include <vector>

namespace vk::cli {

enum class CommandKind { None, Create, Extract, Verify, List, Hide, Restore, Rekey };

// restore: what to do when both the item and its locker exist.
enum class ConflictChoice {
    Cancel,  // change nothing and fail
    Replace, // the locker's item replaces the existing one
    Keep,    // keep the existing item and delete the locker
};

struct Arguments {
    CommandKind Command = CommandKind::None;
    bool Help = false;
    // create: SOURCE [LOCKER]; extract: LOCKER [FOLDER]; verify, list: LOCKER;
    // hide, restore: PATH; rekey: LOCKER.
    std::string First;
    std::optional<std::string> Second;
    std::optional<std::string> PasswordFile;
    ConflictChoice OnConflict = ConflictChoice::Cancel; // restore only
};

struct ParsedArguments {
    bool Ok = false;
    Arguments Args;
    std::string Error; // a one-line reason when Ok is false
};

// Parses the arguments that follow the program name.
ParsedArguments ParseArguments(const std::vector<std::string>& args);

// The help text of one command, or the overview for CommandKind::None.
std::string UsageText(CommandKind command);

} // namespace vk::cli
