#include "cli/Arguments.h"

#include <gtest/gtest.h>

namespace vk::cli {
namespace {

struct ParseCase {
    std::vector<std::string> Args;
    bool Ok;
    CommandKind Command;
    std::string First;
    std::optional<std::string> Second;
    std::optional<std::string> PasswordFile;
    bool Help;
    std::string ErrorPart; // expected in the reason when Ok is false
};

TEST(ArgumentsTest, ParsesEveryShapeOfCommandLine) {
    using K = CommandKind;
    const std::vector<ParseCase> cases = {
        {{"create", "src"}, true, K::Create, "src", std::nullopt, std::nullopt, false, ""},
        {{"create", "src", "out.vklocker"}, true, K::Create, "src", "out.vklocker", std::nullopt, false, ""},
        {{"extract", "a.vklocker"}, true, K::Extract, "a.vklocker", std::nullopt, std::nullopt, false, ""},
        {{"extract", "a.vklocker", "dest"}, true, K::Extract, "a.vklocker", "dest", std::nullopt, false, ""},
        {{"verify", "a.vklocker"}, true, K::Verify, "a.vklocker", std::nullopt, std::nullopt, false, ""},
        {{"list", "a.vklocker"}, true, K::List, "a.vklocker", std::nullopt, std::nullopt, false, ""},
        {{"hide", "dir"}, true, K::Hide, "dir", std::nullopt, std::nullopt, false, ""},
        {{"restore", "dir"}, true, K::Restore, "dir", std::nullopt, std::nullopt, false, ""},
        // The password file option before, between or after the operands, in both spellings.
        {{"--password-file", "pw", "verify", "a"}, true, K::Verify, "a", std::nullopt, "pw", false, ""},
        {{"create", "--password-file=pw", "s", "l"}, true, K::Create, "s", "l", "pw", false, ""},
        {{"list", "a", "--password-file", "pw"}, true, K::List, "a", std::nullopt, "pw", false, ""},
        // "--" lets an operand start with a dash; a lone "-" is an operand.
        {{"create", "--", "-odd"}, true, K::Create, "-odd", std::nullopt, std::nullopt, false, ""},
        {{"verify", "-"}, true, K::Verify, "-", std::nullopt, std::nullopt, false, ""},
        // Help wins over missing operands, for the overview and for a command.
        {{"--help"}, true, K::None, "", std::nullopt, std::nullopt, true, ""},
        {{"extract", "--help"}, true, K::Extract, "", std::nullopt, std::nullopt, true, ""},
        {{"-h", "list"}, true, K::List, "", std::nullopt, std::nullopt, true, ""},
        // Usage errors.
        {{}, false, K::None, "", std::nullopt, std::nullopt, false, "no command"},
        {{"shred", "x"}, false, K::None, "", std::nullopt, std::nullopt, false, "unknown command shred"},
        {{"create"}, false, K::Create, "", std::nullopt, std::nullopt, false, "missing operand"},
        {{"verify", "a", "b"}, false, K::Verify, "", std::nullopt, std::nullopt, false, "too many operands"},
        {{"hide", "a", "b"}, false, K::Hide, "", std::nullopt, std::nullopt, false, "too many operands"},
        {{"restore"}, false, K::Restore, "", std::nullopt, std::nullopt, false, "missing operand"},
        {{"create", "a", "b", "c"}, false, K::Create, "", std::nullopt, std::nullopt, false, "too many operands"},
        {{"create", ""}, false, K::Create, "", std::nullopt, std::nullopt, false, "empty"},
        {{"verify", "a", "--password-file"}, false, K::None, "", std::nullopt, std::nullopt, false, "needs a file"},
        {{"verify", "a", "--password-file="}, false, K::None, "", std::nullopt, std::nullopt, false, "needs a file"},
        {{"verify", "--force", "a"}, false, K::None, "", std::nullopt, std::nullopt, false, "unknown option --force"},
    };

    for (const auto& c : cases) {
        std::string shown;
        for (const auto& a : c.Args)
            shown += "[" + a + "] ";
        SCOPED_TRACE(shown);
        ParsedArguments parsed = ParseArguments(c.Args);
        ASSERT_EQ(parsed.Ok, c.Ok) << parsed.Error;
        if (!c.Ok) {
            EXPECT_NE(parsed.Error.find(c.ErrorPart), std::string::npos) << parsed.Error;
            EXPECT_EQ(parsed.Args.Command, c.Command);
            continue;
        }
        EXPECT_EQ(parsed.Args.Command, c.Command);
        EXPECT_EQ(parsed.Args.First, c.First);
        EXPECT_EQ(parsed.Args.Second, c.Second);
        EXPECT_EQ(parsed.Args.PasswordFile, c.PasswordFile);
        EXPECT_EQ(parsed.Args.Help, c.Help);
    }
}

TEST(ArgumentsTest, OnConflictChoosesForRestoreOnly) {
    using C = ConflictChoice;
    const struct {
        std::vector<std::string> Args;
        bool Ok;
        ConflictChoice Choice;
        std::string ErrorPart;
    } cases[] = {
        {{"restore", "p"}, true, C::Cancel, ""},
        {{"restore", "--on-conflict=cancel", "p"}, true, C::Cancel, ""},
        {{"restore", "p", "--on-conflict=replace"}, true, C::Replace, ""},
        {{"restore", "--on-conflict", "keep", "p"}, true, C::Keep, ""},
        {{"restore", "--on-conflict=yes", "p"}, false, C::Cancel, "cancel, replace or keep"},
        {{"restore", "p", "--on-conflict"}, false, C::Cancel, "cancel, replace or keep"},
        {{"hide", "--on-conflict=keep", "p"}, false, C::Cancel, "belongs to restore"},
        {{"extract", "a", "--on-conflict=replace"}, false, C::Cancel, "belongs to restore"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args[1]);
        ParsedArguments parsed = ParseArguments(c.Args);
        ASSERT_EQ(parsed.Ok, c.Ok) << parsed.Error;
        if (c.Ok)
            EXPECT_EQ(parsed.Args.OnConflict, c.Choice);
        else
            EXPECT_NE(parsed.Error.find(c.ErrorPart), std::string::npos) << parsed.Error;
    }
}

TEST(ArgumentsTest, EveryCommandHasItsOwnHelp) {
    for (auto [kind, synopsis] :
         {std::pair{CommandKind::Create, "vklocker create"}, std::pair{CommandKind::Extract, "vklocker extract"},
          std::pair{CommandKind::Verify, "vklocker verify"}, std::pair{CommandKind::List, "vklocker list"},
          std::pair{CommandKind::Hide, "vklocker hide"}, std::pair{CommandKind::Restore, "vklocker restore"}}) {
        std::string text = UsageText(kind);
        EXPECT_EQ(text.rfind("Usage: " + std::string(synopsis), 0), 0u) << text;
        EXPECT_NE(text.find("--password-file"), std::string::npos);
        EXPECT_NE(text.find("VKLOCKER_PASSWORD"), std::string::npos);
    }
    EXPECT_NE(UsageText(CommandKind::None).find("Exit status"), std::string::npos);
    EXPECT_NE(UsageText(CommandKind::None).find("restore PATH"), std::string::npos);
    EXPECT_NE(UsageText(CommandKind::Restore).find("--on-conflict=cancel|replace|keep"), std::string::npos);
}

} // namespace
} // namespace vk::cli
