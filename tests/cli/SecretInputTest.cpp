#include "cli/SecretInput.h"

#include "platform/Error.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vk::cli {
namespace {

// A terminal that answers from a script and records the prompts it was shown.
struct ScriptedTerminal {
    std::vector<std::optional<std::string>> Answers;
    std::vector<std::string> Prompts;

    TerminalAsker Asker() {
        return [this](const std::string& prompt) -> std::optional<std::string> {
            Prompts.push_back(prompt);
            if (Prompts.size() > Answers.size())
                return std::nullopt;
            return Answers[Prompts.size() - 1];
        };
    }
};

TEST(SecretInputTest, PasswordFileComesFirstAndGivesItsFirstLineOnly) {
    test::TempFolder temp;
    const struct {
        std::string Content;
        std::string Expected;
    } files[] = {
        {"s3cret\nsecond line\n", "s3cret"}, {"windows line\r\nnext", "windows line"},
        {"no newline", "no newline"},        {"  spaces kept  \n", "  spaces kept  "},
        {"\nfirst line empty", ""},          {"", ""},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.Content);
        test::WriteFile(temp / "pw", f.Content);
        ScriptedTerminal terminal{{"typed"}, {}};
        SecretOutcome outcome =
            ReadSecret({(temp / "pw").string(), "from-env", terminal.Asker()}, SecretKind::NewPassword);
        ASSERT_TRUE(outcome.Ok) << outcome.Error;
        EXPECT_EQ(outcome.Secret, f.Expected);
        EXPECT_TRUE(terminal.Prompts.empty());
    }
}

TEST(SecretInputTest, UnreadablePasswordFileFailsWithoutFallingBack) {
    test::TempFolder temp;
    ScriptedTerminal terminal{{"typed"}, {}};
    SecretOutcome outcome =
        ReadSecret({(temp / "missing").string(), "from-env", terminal.Asker()}, SecretKind::Password);
    EXPECT_FALSE(outcome.Ok);
    EXPECT_FALSE(outcome.UsageError);
    EXPECT_NE(outcome.Error.find("missing"), std::string::npos) << outcome.Error;
    EXPECT_TRUE(terminal.Prompts.empty());
}

TEST(SecretInputTest, EnvironmentComesBeforeTheTerminalUnlessEmpty) {
    ScriptedTerminal terminal{{"typed", "typed"}, {}};
    SecretOutcome outcome = ReadSecret({std::nullopt, "from-env", terminal.Asker()}, SecretKind::NewPassword);
    ASSERT_TRUE(outcome.Ok);
    EXPECT_EQ(outcome.Secret, "from-env");
    EXPECT_TRUE(terminal.Prompts.empty());

    outcome = ReadSecret({std::nullopt, "", terminal.Asker()}, SecretKind::Password);
    ASSERT_TRUE(outcome.Ok);
    EXPECT_EQ(outcome.Secret, "typed");
}

TEST(SecretInputTest, TerminalAsksOnceOrTwiceDependingOnTheCommand) {
    {
        ScriptedTerminal terminal{{"pw1"}, {}};
        SecretOutcome outcome =
            ReadSecret({std::nullopt, std::nullopt, terminal.Asker()}, SecretKind::PasswordOrRecoveryCode);
        ASSERT_TRUE(outcome.Ok);
        EXPECT_EQ(outcome.Secret, "pw1");
        EXPECT_EQ(terminal.Prompts, std::vector<std::string>{"Password or recovery code: "});
    }
    {
        ScriptedTerminal terminal{{"pw1", "pw1"}, {}};
        SecretOutcome outcome = ReadSecret({std::nullopt, std::nullopt, terminal.Asker()}, SecretKind::NewPassword);
        ASSERT_TRUE(outcome.Ok);
        EXPECT_EQ(outcome.Secret, "pw1");
        EXPECT_EQ(terminal.Prompts, (std::vector<std::string>{"Password: ", "Repeat password: "}));
    }
    {
        ScriptedTerminal terminal{{"pw1", "pw2"}, {}};
        SecretOutcome outcome = ReadSecret({std::nullopt, std::nullopt, terminal.Asker()}, SecretKind::NewPassword);
        EXPECT_FALSE(outcome.Ok);
        EXPECT_FALSE(outcome.UsageError);
        EXPECT_EQ(outcome.Error, "The passwords do not match.");
        EXPECT_TRUE(outcome.Secret.empty());
    }
}

TEST(SecretInputTest, NoSourceAtAllIsAUsageError) {
    ScriptedTerminal noTerminal{{}, {}};
    for (const TerminalAsker& asker : {TerminalAsker{}, noTerminal.Asker()}) {
        SecretOutcome outcome = ReadSecret({std::nullopt, std::nullopt, asker}, SecretKind::Password);
        EXPECT_FALSE(outcome.Ok);
        EXPECT_TRUE(outcome.UsageError);
        EXPECT_NE(outcome.Error.find("--password-file"), std::string::npos);
    }
}

TEST(SecretInputTest, CtrlCAtThePromptFailsTheCommand) {
    TerminalAsker interrupted = [](const std::string&) -> std::optional<std::string> {
        throw Error("Operation cancelled by user.");
    };
    SecretOutcome outcome = ReadSecret({std::nullopt, std::nullopt, interrupted}, SecretKind::NewPassword);
    EXPECT_FALSE(outcome.Ok);
    EXPECT_FALSE(outcome.UsageError);
    EXPECT_EQ(outcome.Error, "Operation cancelled by user.");
}

} // namespace
} // namespace vk::cli
